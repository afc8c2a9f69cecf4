#include "LogCapture.h"

#include <iostream>

LogCapture::LogCapture()
    : original(std::cout.rdbuf(captured.rdbuf()))
{
}

LogCapture::~LogCapture()
{
    std::cout.rdbuf(original);
}

std::string LogCapture::text() const
{
    return captured.str();
}

std::vector<std::string> LogCapture::lines() const
{
    std::vector<std::string> result;
    std::istringstream stream(captured.str());
    for (std::string line; std::getline(stream, line);) {
        result.push_back(line);
    }
    return result;
}
