#include "base/BoundedCall.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <new>
#include <optional>
#include <poll.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;
using Ending = BoundedCall::Ending;
using Limits = BoundedCall::Limits;
using Outcome = BoundedCall::Outcome;

// The reply travels as its length, then its bytes.
using ReplyLength = std::uint64_t;
constexpr std::size_t headerBytes = sizeof(ReplyLength);

// How often the program looks at the child's resident memory while it
// waits, and how much it reads at once.
constexpr std::chrono::milliseconds memorySampleInterval(20);
constexpr std::size_t readChunkBytes = std::size_t{1} << 20;

// Fields of /proc/<pid>/statm, in pages: 0 the address space, 1 resident.
std::optional<std::uint64_t> statmBytes(const std::string& process, int field)
{
    std::ifstream statm("/proc/" + process + "/statm");
    std::uint64_t pages = 0;
    for (int index = 0; index <= field; ++index) {
        if (!(statm >> pages)) {
            return std::nullopt;
        }
    }
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

bool writeAll(int descriptor, const char* bytes, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(descriptor, bytes, size);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

void pointStandardStreamsAtNull()
{
    const int null = open("/dev/null", O_RDWR);
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        dup2(null, stream);
    }
    if (null > STDERR_FILENO) {
        close(null);
    }
}

// The program's own handlers (AddressSanitizer's among them) would turn a
// crash into an exit status or a report; the child dies of the signal
// itself, so that the program can name it.
void restoreDefaultSignals()
{
    for (const int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT, SIGTRAP, SIGXCPU, SIGPIPE}) {
        std::signal(signal, SIG_DFL);
    }
}

void setLimit(int resource, rlim_t soft, rlim_t hard)
{
    const rlimit limit{soft, hard};
    setrlimit(resource, &limit);
}

// No core file: the program writes nothing to disk. The CPU limit's hard
// edge, a second later, ends a child that ignores SIGXCPU.
void applyLimits(const Limits& limits)
{
    setLimit(RLIMIT_CORE, 0, 0);
    const auto cpu = static_cast<rlim_t>(limits.cpu.count());
    setLimit(RLIMIT_CPU, cpu, cpu + 1);
    if (const std::optional<std::uint64_t> inherited = statmBytes("self", 0)) {
        const auto addressSpace = static_cast<rlim_t>(*inherited + limits.memoryBytes);
        setLimit(RLIMIT_AS, addressSpace, addressSpace);
    }
}

[[noreturn]] void runChild(const BoundedCall::Work& work, const Limits& limits, int replyDescriptor)
{
    pointStandardStreamsAtNull();
    restoreDefaultSignals();
    applyLimits(limits);
    std::set_new_handler([] { _exit(BoundedCall::outOfMemoryStatus); });
    std::string reply;
    work(reply);
    const ReplyLength length = reply.size();
    const bool sent = writeAll(replyDescriptor, reinterpret_cast<const char*>(&length), headerBytes) &&
                      writeAll(replyDescriptor, reply.data(), reply.size());
    _exit(sent ? 0 : 1);
}

// Waits for the child's reply and its end, whichever limit comes first.
class ChildWatch {
public:
    ChildWatch(pid_t child, int replyDescriptor, const Limits& limits, std::uint64_t residentAtStart)
        : child(child),
          replyDescriptor(replyDescriptor),
          limits(limits),
          residentLimit(residentAtStart + limits.memoryBytes),
          deadline(Clock::now() + limits.wall)
    {
    }

    Outcome wait()
    {
        Clock::time_point nextSample = Clock::now() + memorySampleInterval;
        while (!reaped) {
            const Clock::time_point now = Clock::now();
            if (now >= deadline) {
                stop(Ending::WallTime);
                break;
            }
            const auto pause = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                                        memorySampleInterval);
            if (open) {
                receive(pause);
            } else {
                // The pipe closes when the child ends; a child that closed
                // it early is waited for in short steps.
                usleep(1000);
            }
            if (!reaped) {
                reap(WNOHANG);
            }
            if (!reaped && Clock::now() >= nextSample) {
                nextSample = Clock::now() + memorySampleInterval;
                checkResidentMemory();
            }
        }
        drainAfterEnd();
        return classify();
    }

private:
    void receive(std::chrono::milliseconds pause)
    {
        pollfd watched{replyDescriptor, POLLIN, 0};
        const int ready = poll(&watched, 1, static_cast<int>(pause.count()));
        if (ready > 0) {
            readOnce();
        }
    }

    void readOnce()
    {
        const std::size_t held = received.size();
        received.resize(held + readChunkBytes);
        const ssize_t count = read(replyDescriptor, &received[held], readChunkBytes);
        received.resize(held + static_cast<std::size_t>(std::max<ssize_t>(count, 0)));
        if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
            open = false;
        }
        if (received.size() > headerBytes + limits.replyBytes) {
            stop(Ending::LargeReply);
        }
    }

    // What the child wrote before it ended is still in the pipe.
    void drainAfterEnd()
    {
        while (open && !stoppedFor) {
            pollfd watched{replyDescriptor, POLLIN, 0};
            if (poll(&watched, 1, 0) <= 0) {
                break;
            }
            readOnce();
        }
    }

    void checkResidentMemory()
    {
        const std::optional<std::uint64_t> resident = statmBytes(std::to_string(child), 1);
        if (resident && *resident > residentLimit) {
            stop(Ending::Memory);
        }
    }

    void stop(Ending reason)
    {
        stoppedFor = reason;
        kill(child, SIGKILL);
        reap(0);
    }

    void reap(int options)
    {
        pid_t ended = 0;
        do {
            ended = wait4(child, &status, options, &usage);
        } while (ended < 0 && errno == EINTR);
        reaped = ended == child;
    }

    bool holdsWholeReply() const
    {
        if (received.size() < headerBytes) {
            return false;
        }
        ReplyLength length = 0;
        std::memcpy(&length, received.data(), headerBytes);
        return length == received.size() - headerBytes;
    }

    std::chrono::seconds cpuUsed() const
    {
        return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec);
    }

    Outcome classify()
    {
        if (stoppedFor) {
            return {*stoppedFor, {}, 0};
        }
        if (WIFSIGNALED(status)) {
            const int signal = WTERMSIG(status);
            // SIGKILL at the hard edge of the CPU limit, or from the kernel.
            const bool outOfTime = signal == SIGXCPU || (signal == SIGKILL && cpuUsed() >= limits.cpu);
            return {outOfTime ? Ending::CpuTime : Ending::Signal, {}, signal};
        }
        const int exitStatus = WEXITSTATUS(status);
        if (exitStatus == BoundedCall::outOfMemoryStatus) {
            return {Ending::Memory, {}, exitStatus};
        }
        if (exitStatus != 0) {
            return {Ending::ExitStatus, {}, exitStatus};
        }
        if (!holdsWholeReply()) {
            return {Ending::Malformed, {}, 0};
        }
        received.erase(0, headerBytes);
        return {Ending::Replied, std::move(received), 0};
    }

    pid_t child;
    int replyDescriptor;
    Limits limits;
    std::uint64_t residentLimit;
    Clock::time_point deadline;
    std::string received;
    bool open = true;
    bool reaped = false;
    int status = 0;
    rusage usage{};
    std::optional<Ending> stoppedFor;
};

std::string signalName(int signal)
{
    const char* abbreviation = sigabbrev_np(signal);
    return "signal " + std::to_string(signal) +
           (abbreviation != nullptr ? std::string(" (SIG") + abbreviation + ")" : std::string());
}

std::string duration(std::chrono::milliseconds wall)
{
    const auto milliseconds = wall.count();
    return milliseconds % 1000 == 0 ? std::to_string(milliseconds / 1000) + " s" : std::to_string(milliseconds) + " ms";
}

std::string size(std::uint64_t bytes)
{
    constexpr std::uint64_t mebibyte = std::uint64_t{1} << 20;
    return bytes % mebibyte == 0 ? std::to_string(bytes / mebibyte) + " MiB" : std::to_string(bytes) + " bytes";
}

} // namespace

BoundedCall::Outcome BoundedCall::run(const Work& work, const Limits& limits)
{
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        return {Ending::NotStarted, {}, errno};
    }
    // Fewer round trips for large replies; the default is kept where the
    // system refuses.
    fcntl(pipeEnds[0], F_SETPIPE_SZ, static_cast<int>(readChunkBytes));
    const std::uint64_t residentAtStart = statmBytes("self", 1).value_or(0);
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return {Ending::NotStarted, {}, error};
    }
    if (child == 0) {
        close(pipeEnds[0]);
        runChild(work, limits, pipeEnds[1]);
    }
    close(pipeEnds[1]);
    Outcome outcome = ChildWatch(child, pipeEnds[0], limits, residentAtStart).wait();
    close(pipeEnds[0]);
    return outcome;
}

std::string BoundedCall::Outcome::describe(const Limits& limits) const
{
    switch (ending) {
    case Ending::Replied:
        return "replied";
    case Ending::Signal:
        return "crashed with " + signalName(code);
    case Ending::CpuTime:
        return "ran out of its " + std::to_string(limits.cpu.count()) + " CPU seconds";
    case Ending::WallTime:
        return "was still running after " + duration(limits.wall);
    case Ending::Memory:
        return "went past its " + size(limits.memoryBytes) + " of memory";
    case Ending::ExitStatus:
        return "ended with status " + std::to_string(code);
    case Ending::LargeReply:
        return "replied with more than " + size(limits.replyBytes);
    case Ending::Malformed:
        return "ended without a whole reply";
    case Ending::NotStarted:
        return std::string("could not be started: ") + std::strerror(code);
    }
    return "ended";
}
