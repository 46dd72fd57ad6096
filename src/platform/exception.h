// The program's one exception type: set-up code raises it with the message the user will read;
// callers decide whether it ends start-up, goes into the status log or into the error box.
#pragma once

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
    std::string message() const { return what(); }
};

// Puts `arg` in place of the first "%s" of `format`, as the messages of the system are written.
inline std::string formatMessage(const std::string& format, const std::string& arg)
{
    const auto at = format.find("%s");
    if (at == std::string::npos) return format;
    return format.substr(0, at) + arg + format.substr(at + 2);
}
