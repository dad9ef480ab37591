// The two kinds of failure quelt-render reports, mapped to its exit codes.
#pragma once

#include <stdexcept>
#include <string>

namespace quelt::render {

// The command line is wrong (exit code 2).
class UsageError : public std::runtime_error
{
public:
    explicit UsageError(const std::string& what) : std::runtime_error(what) {}
};

// The command line was fine but the job could not be done (exit code 1).
class RenderError : public std::runtime_error
{
public:
    explicit RenderError(const std::string& what) : std::runtime_error(what) {}
};

enum ExitCode
{
    kExitOk = 0,
    kExitRuntimeError = 1,
    kExitUsageError = 2,
};

} // namespace quelt::render
