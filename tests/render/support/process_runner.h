// Starts a program, waits for it and collects its exit code and output; the
// tests drive quelt-render through it exactly as a user would.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quelt::test {

struct ProcessResult
{
    int exitCode = -1;  // 128 + n for a program ended by signal n
    std::string out;
    std::string err;
    bool timedOut = false;
};

// `environment` is added to the child's environment (name, value).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& environment = {});

#if !defined(_WIN32)
// A program running in the background, for tests that signal it or must not
// hang on it.
class ChildProcess
{
public:
    ChildProcess(const std::string& program, const std::vector<std::string>& args,
                 const std::vector<std::pair<std::string, std::string>>& environment = {});
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    void signal(int number);
    // Waits up to `seconds` (< 0: for ever); a program still running then is
    // killed and reported as timed out.
    ProcessResult wait(double seconds = -1);

private:
    bool running();

    int m_pid = -1;
    int m_status = 0;
    bool m_reaped = false;
    std::string m_outPath;
    std::string m_errPath;
};
#endif

} // namespace quelt::test
