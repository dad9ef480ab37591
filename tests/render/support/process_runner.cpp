#include "process_runner.h"

#include <cerrno>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <stdexcept>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
extern char** environ;
#endif

namespace quelt::test {

namespace {

std::string slurp(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string temporaryName(const char* suffix)
{
    static int counter = 0;
#if defined(_WIN32)
    const unsigned long pid = GetCurrentProcessId();
#else
    const unsigned long pid = static_cast<unsigned long>(getpid());
#endif
    return "process-runner-" + std::to_string(pid) + "-" + std::to_string(++counter) + suffix;
}

} // namespace

#if defined(_WIN32)

namespace {

// Quoting by the rules CommandLineToArgvW and the C runtime use.
std::string quote(const std::string& arg)
{
    if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos)
        return arg;
    std::string out = "\"";
    std::size_t backslashes = 0;
    for (char c : arg) {
        if (c == '\\') {
            ++backslashes;
        } else if (c == '"') {
            out.append(backslashes * 2 + 1, '\\');
            out += '"';
            backslashes = 0;
        } else {
            out.append(backslashes, '\\');
            out += c;
            backslashes = 0;
        }
    }
    out.append(backslashes * 2, '\\');
    out += '"';
    return out;
}

HANDLE inheritableFile(const std::string& path)
{
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                                CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        throw std::runtime_error("cannot create " + path);
    return handle;
}

} // namespace

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& environment)
{
    std::string commandLine = quote(program);
    for (const std::string& arg : args)
        commandLine += " " + quote(arg);

    const std::string outPath = temporaryName(".out");
    const std::string errPath = temporaryName(".err");
    HANDLE outFile = inheritableFile(outPath);
    HANDLE errFile = inheritableFile(errPath);

    // The child inherits this process's environment, set for the duration of the call.
    std::vector<std::pair<std::string, std::optional<std::string>>> saved;
    for (const auto& [name, value] : environment) {
        char buffer[32768];
        const DWORD length = GetEnvironmentVariableA(name.c_str(), buffer, sizeof buffer);
        saved.emplace_back(name, length ? std::optional<std::string>(std::string(buffer, length)) : std::nullopt);
        SetEnvironmentVariableA(name.c_str(), value.c_str());
    }

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = outFile;
    startup.hStdError = errFile;
    PROCESS_INFORMATION info{};
    std::string mutableLine = commandLine;
    const BOOL started =
        CreateProcessA(nullptr, mutableLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup, &info);

    const DWORD startError = started ? 0 : GetLastError();
    for (const auto& [name, value] : saved)
        SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr);
    CloseHandle(outFile);
    CloseHandle(errFile);
    if (!started)
        throw std::runtime_error("cannot start " + commandLine + " (error " + std::to_string(startError) + ")");

    WaitForSingleObject(info.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    CloseHandle(info.hProcess);
    CloseHandle(info.hThread);

    ProcessResult result;
    result.exitCode = static_cast<int>(code);
    result.out = slurp(outPath);
    result.err = slurp(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return result;
}

#else

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args,
                           const std::vector<std::pair<std::string, std::string>>& environment)
    : m_outPath(temporaryName(".out")), m_errPath(temporaryName(".err"))
{
    std::vector<std::string> argStrings{program};
    argStrings.insert(argStrings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& arg : argStrings)
        argv.push_back(arg.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        bool overridden = false;
        for (const auto& [name, value] : environment)
            overridden = overridden || entry.rfind(name + "=", 0) == 0;
        if (!overridden)
            envStrings.push_back(entry);
    }
    for (const auto& [name, value] : environment)
        envStrings.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (std::string& entry : envStrings)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, m_outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, m_errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    // The child starts with the default signal handling, whatever the test runner ignores.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (int number : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGXFSZ, SIGPIPE})
        sigaddset(&defaults, number);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), envp.data());
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program);
    m_pid = pid;
}

ChildProcess::~ChildProcess()
{
    if (!m_reaped) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, &m_status, 0);
    }
    std::remove(m_outPath.c_str());
    std::remove(m_errPath.c_str());
}

bool ChildProcess::running()
{
    if (m_reaped)
        return false;
    const pid_t done = waitpid(m_pid, &m_status, WNOHANG);
    if (done < 0 && errno != EINTR)
        throw std::runtime_error("lost track of a child process");
    m_reaped = done == m_pid;
    return !m_reaped;
}

void ChildProcess::signal(int number)
{
    if (!m_reaped)
        kill(m_pid, number);
}

ProcessResult ChildProcess::wait(double seconds)
{
    ProcessResult result;
    for (double waited = 0; running(); waited += 0.005) {
        if (seconds >= 0 && waited >= seconds) {
            result.timedOut = true;
            kill(m_pid, SIGKILL);
        }
        usleep(5000);
    }
    result.exitCode = WIFEXITED(m_status) ? WEXITSTATUS(m_status) : 128 + WTERMSIG(m_status);
    result.out = slurp(m_outPath);
    result.err = slurp(m_errPath);
    return result;
}

ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& environment)
{
    return ChildProcess(program, args, environment).wait();
}

#endif

} // namespace quelt::test
