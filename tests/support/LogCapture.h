#pragma once

#include <iosfwd>
#include <sstream>
#include <string>
#include <vector>

// Collects everything written to standard output through std::cout while it
// lives, so tests can check the log lines.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string text() const;
    std::vector<std::string> lines() const;

private:
    std::ostringstream captured;
    std::streambuf* original;
};
