#include "base/Log.h"

#include <iostream>

void Log::info(std::string_view component, std::string_view text)
{
    write("INFO", component, text);
}

void Log::error(std::string_view component, std::string_view text)
{
    write("ERROR", component, text);
}

void Log::errorAfterComponent(std::string_view component, std::string_view text)
{
    write(component, "ERROR", text);
}

void Log::write(std::string_view first, std::string_view second, std::string_view text)
{
    std::cout << first << ' ' << second << ": " << text << std::endl;
}
