// Errors of the resource compiler: every error names the script position
// (file and line) that caused it, so that the build log points at it.
#pragma once

#include <stdexcept>
#include <string>

namespace rc {

struct Location {
    std::string file;
    int line = 0;
};

class CompileError : public std::runtime_error {
public:
    CompileError(const Location& where, const std::string& message)
        : std::runtime_error(where.file + ":" + std::to_string(where.line) + ": error: " + message)
    {
    }
};

[[noreturn]] inline void Fail(const Location& where, const std::string& message)
{
    throw CompileError(where, message);
}

}  // namespace rc
