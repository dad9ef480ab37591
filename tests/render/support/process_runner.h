// Starts a program, waits for it and collects its exit code and output; the
// tests drive quelt-render through it exactly as a user would.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quelt::test {

struct ProcessResult
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `environment` is added to the child's environment (name, value).
ProcessResult runProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::vector<std::pair<std::string, std::string>>& environment = {});

} // namespace quelt::test
