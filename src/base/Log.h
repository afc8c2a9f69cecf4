#pragma once

#include <string_view>

// The program's log: one line per event on standard output, flushed as soon
// as it is written, shaped "LEVEL Component: text".
class Log {
public:
    static void info(std::string_view component, std::string_view text);
    static void error(std::string_view component, std::string_view text);
    // The active-program check is the one place that puts its component
    // before the level word: "PixelShader ERROR: text".
    static void errorAfterComponent(std::string_view component, std::string_view text);

private:
    static void write(std::string_view first, std::string_view second, std::string_view text);
};
