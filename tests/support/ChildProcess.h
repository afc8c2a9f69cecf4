#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <sys/types.h>

// A program started in a working directory of the test's choosing, with its
// standard output and error collected in files beside it.
class ChildProcess {
public:
    enum class Input { Closed, Terminal };
    struct Options {
        Input input = Input::Closed;
        bool withoutDisplay = false;
    };

    ChildProcess(const std::filesystem::path& program, const std::filesystem::path& workingDirectory,
                 Options options);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return processId; }
    // The exit status once the program has ended within the timeout.
    std::optional<int> waitForExit(std::chrono::milliseconds timeout);
    bool hasExited();
    // Writes to the terminal that stands for standard input (Input::Terminal).
    void typeOnTerminal(const std::string& text) const;

    std::string standardOutput() const;
    std::string standardError() const;
    // The largest resident memory of the program, or of any child process
    // it waited for, once it has ended.
    long peakResidentKilobytes() const { return peakResident; }

private:
    std::filesystem::path outputPath;
    std::filesystem::path errorPath;
    pid_t processId = -1;
    int terminalMaster = -1;
    std::optional<int> exitStatus;
    long peakResident = 0;
};
