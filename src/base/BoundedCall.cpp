#include "base/BoundedCall.h"

#include "base/ChildLauncher.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <new>
#include <optional>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
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
// waits, and the pipe's capacity it asks for, so that large replies take
// fewer round trips.
constexpr std::chrono::milliseconds memorySampleInterval(20);
constexpr int pipeBytes = 1 << 20;

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

// The child dies with the process that forked it.
[[noreturn]] void runChild(const BoundedCall::Work& work, const Limits& limits, int replyDescriptor, pid_t parent)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent) {
        _exit(1);
    }
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
        const int endWatch = static_cast<int>(syscall(SYS_pidfd_open, child, 0));
        Clock::time_point nextSample = Clock::now() + memorySampleInterval;
        while (!reaped) {
            const Clock::time_point now = Clock::now();
            if (now >= deadline) {
                stop(Ending::WallTime);
                break;
            }
            const auto pause = std::min(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now),
                                        memorySampleInterval);
            awaitEvent(pause, endWatch);
            if (!reaped) {
                reap(WNOHANG);
            }
            if (!reaped && Clock::now() >= nextSample) {
                nextSample = Clock::now() + memorySampleInterval;
                checkResidentMemory();
            }
        }
        if (endWatch >= 0) {
            close(endWatch);
        }
        drainAfterEnd();
        return classify();
    }

private:
    // Sleeps until the reply has bytes to read, the child has ended or the
    // pause is over, and reads what came. Where the kernel cannot watch for
    // the end of a process, a child that closed the pipe early is waited
    // for in short steps.
    void awaitEvent(std::chrono::milliseconds pause, int endWatch)
    {
        if (!open && endWatch < 0) {
            usleep(1000);
            return;
        }
        pollfd watched[2] = {{open ? replyDescriptor : -1, POLLIN, 0}, {endWatch, POLLIN, 0}};
        if (poll(watched, 2, static_cast<int>(pause.count())) > 0 && watched[0].revents != 0) {
            readOnce();
        }
    }

    // The length first, then the reply into a string of that length, so
    // that nothing is allocated or cleared that the child did not send.
    void readOnce()
    {
        const bool headerRead = filled >= headerBytes;
        char* into = headerRead ? received.data() + (filled - headerBytes) : header + filled;
        const std::size_t wanted = headerRead ? headerBytes + received.size() - filled : headerBytes - filled;
        if (wanted == 0) {
            readBeyondReply();
            return;
        }
        const ssize_t count = read(replyDescriptor, into, wanted);
        if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
            open = false;
            return;
        }
        filled += static_cast<std::size_t>(std::max<ssize_t>(count, 0));
        if (!headerRead && filled == headerBytes) {
            takeLength();
        }
    }

    void takeLength()
    {
        ReplyLength length = 0;
        std::memcpy(&length, header, headerBytes);
        if (length > limits.replyBytes) {
            stop(Ending::LargeReply);
            return;
        }
        received.assign(length, '\0');
    }

    // A child that writes past the length it gave sends no whole reply.
    void readBeyondReply()
    {
        char extra[256];
        const ssize_t count = read(replyDescriptor, extra, sizeof extra);
        if (count > 0) {
            overrun = true;
        }
        if (count == 0 || (count < 0 && errno != EINTR && errno != EAGAIN)) {
            open = false;
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
        return filled >= headerBytes && filled == headerBytes + received.size() && !overrun;
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
        return {Ending::Replied, std::move(received), 0};
    }

    pid_t child;
    int replyDescriptor;
    Limits limits;
    std::uint64_t residentLimit;
    Clock::time_point deadline;
    char header[headerBytes] = {};
    // Bytes read so far, the length included.
    std::size_t filled = 0;
    std::string received;
    bool overrun = false;
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
    fcntl(pipeEnds[0], F_SETPIPE_SZ, pipeBytes);
    const std::uint64_t residentAtStart = statmBytes("self", 1).value_or(0);
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        const int error = errno;
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        return {Ending::NotStarted, {}, error};
    }
    if (child == 0) {
        close(pipeEnds[0]);
        runChild(work, limits, pipeEnds[1], parent);
    }
    close(pipeEnds[1]);
    Outcome outcome = ChildWatch(child, pipeEnds[0], limits, residentAtStart).wait();
    close(pipeEnds[0]);
    return outcome;
}

BoundedCall::Outcome BoundedCall::run(Task task, const std::string& request, const Limits& limits)
{
    if (std::optional<Outcome> launched = ChildLauncher::run(task, request, limits)) {
        return std::move(*launched);
    }
    return run([task, &request](std::string& reply) { task(request, reply); }, limits);
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
