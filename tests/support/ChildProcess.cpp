#include "ChildProcess.h"
#include "FileContent.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <pty.h>
#include <sstream>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

[[noreturn]] void runChild(const std::filesystem::path& program, const std::filesystem::path& workingDirectory,
                           const std::filesystem::path& outputPath, const std::filesystem::path& errorPath,
                           ChildProcess::Options options, int terminalSlave)
{
    if (chdir(workingDirectory.c_str()) != 0) {
        _exit(126);
    }
    if (options.input == ChildProcess::Input::Terminal) {
        setsid();
        dup2(terminalSlave, STDIN_FILENO);
    } else {
        close(STDIN_FILENO);
    }
    const int output = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int error = open(errorPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(output, STDOUT_FILENO);
    dup2(error, STDERR_FILENO);
    if (options.withoutDisplay) {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
    }
    execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
    _exit(127);
}

} // namespace

ChildProcess::ChildProcess(const std::filesystem::path& program, const std::filesystem::path& workingDirectory,
                           Options options)
    : outputPath(workingDirectory.parent_path() / (workingDirectory.filename().string() + ".stdout")),
      errorPath(workingDirectory.parent_path() / (workingDirectory.filename().string() + ".stderr"))
{
    int terminalSlave = -1;
    if (options.input == Input::Terminal && openpty(&terminalMaster, &terminalSlave, nullptr, nullptr, nullptr) != 0) {
        throw std::runtime_error("cannot open a pseudo terminal");
    }
    processId = fork();
    if (processId < 0) {
        throw std::runtime_error("cannot fork");
    }
    if (processId == 0) {
        runChild(program, workingDirectory, outputPath, errorPath, options, terminalSlave);
    }
    if (terminalSlave >= 0) {
        close(terminalSlave);
    }
}

ChildProcess::~ChildProcess()
{
    if (!hasExited()) {
        kill(processId, SIGKILL);
        waitpid(processId, nullptr, 0);
    }
    if (terminalMaster >= 0) {
        close(terminalMaster);
    }
    std::error_code ignored;
    std::filesystem::remove(outputPath, ignored);
    std::filesystem::remove(errorPath, ignored);
}

bool ChildProcess::hasExited()
{
    if (exitStatus) {
        return true;
    }
    int status = 0;
    rusage usage{};
    if (wait4(processId, &status, WNOHANG, &usage) == processId) {
        exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        peakResident = usage.ru_maxrss;
        return true;
    }
    return false;
}

std::optional<int> ChildProcess::waitForExit(std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!hasExited() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return exitStatus;
}

void ChildProcess::typeOnTerminal(const std::string& text) const
{
    if (write(terminalMaster, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        throw std::runtime_error("cannot write to the terminal");
    }
}

std::string ChildProcess::standardOutput() const
{
    return fileContent(outputPath);
}

std::string ChildProcess::standardError() const
{
    return fileContent(errorPath);
}
