#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

// Runs a function in a child process of its own, under limits of CPU time,
// memory and wall-clock time, and takes back the bytes it replies with.
// Third-party parsers and decoders run on users' files this way: whatever
// they do on a bad file (crash, loop, allocate without end) ends the child,
// never the program.
//
// The child shares nothing with the program but a pipe. Its standard input,
// output and error point at /dev/null, so that the program writes every log
// line itself; it never returns into the program's code and leaves through
// _exit, so that no atexit handler, no stream flush and no library's
// shutdown runs twice. The function it runs must touch nothing but its own
// library and memory: no GL, no X, no log.
class BoundedCall {
public:
    struct Limits {
        // RLIMIT_CPU: the kernel ends the child with SIGXCPU.
        std::chrono::seconds cpu;
        // Address space the child may add to what it inherits (RLIMIT_AS),
        // and resident memory the program lets it add, checked while it
        // waits: AddressSanitizer's allocator serves most requests from a
        // reservation made at start-up, which no address-space limit sees.
        std::uint64_t memoryBytes;
        // The program waits no longer for the reply and the child's end.
        std::chrono::milliseconds wall;
        // The largest reply the program takes.
        std::size_t replyBytes;
    };

    // The limits of one imported or decoded file, chosen so that the
    // shipped scene and every model at hand load far inside them, and a
    // file that hits one still leaves the program at its first frame well
    // within 30 s; the largest reply holds an image of 8192 x 8192 texels.
    // docs/robustness.md gives the figures behind them.
    static constexpr Limits fileLimits{std::chrono::seconds(10), std::uint64_t{2} << 30,
                                       std::chrono::milliseconds(20000), std::size_t{320} << 20};

    enum class Ending {
        Replied,       // exited with status 0 after a whole reply
        Signal,        // ended by a signal the program did not send
        CpuTime,       // ran out of its CPU seconds
        WallTime,      // still running at the deadline
        Memory,        // went past its memory, or an allocation failed
        ExitStatus,    // exited with another status
        LargeReply,    // replied with more than the limit
        Malformed,     // exited with status 0 without a whole reply
        NotStarted,    // no pipe or no child process could be made
    };

    struct Outcome {
        Ending ending = Ending::NotStarted;
        // The reply, for Ending::Replied.
        std::string reply;
        // The signal (Signal), the status (ExitStatus) or errno (NotStarted).
        int code = 0;

        // What happened, to follow "<what the child did> ", for example
        // "crashed with signal 11 (SIGSEGV)" or "ran out of its 10 CPU
        // seconds".
        std::string describe(const Limits& limits) const;
    };

    // The function fills the reply it hands back.
    using Work = std::function<void(std::string& reply)>;
    // A task that a child forked from the launcher can run: a plain
    // function of the program, given its request as bytes.
    using Task = void (*)(const std::string& request, std::string& reply);

    // In a child forked from this process, whatever its size.
    static Outcome run(const Work& work, const Limits& limits);
    // In a child forked from the launcher when it runs (ChildLauncher),
    // which costs a fraction of forking a process that holds a GL context;
    // from this process otherwise.
    static Outcome run(Task task, const std::string& request, const Limits& limits);

    // The status the child ends with when an allocation fails: the new
    // handler's, and one a function may exit with itself.
    static constexpr int outOfMemoryStatus = 86;
};
