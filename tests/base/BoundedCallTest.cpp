#include "base/BoundedCall.h"

#include "base/ChildLauncher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

using namespace std::chrono_literals;
using Ending = BoundedCall::Ending;

namespace {

// Small enough that every case ends within a second or two of CPU time; the
// deadline leaves room for a busy machine.
constexpr BoundedCall::Limits smallLimits{1s, std::uint64_t{64} << 20, 30s, std::size_t{4} << 20};
constexpr BoundedCall::Limits shortDeadline{1s, std::uint64_t{64} << 20, 500ms, std::size_t{4} << 20};

// Kept from being optimised away, so that the loops spin and the
// allocations stay.
volatile std::uint64_t sink = 0;
// An address in the first page, which is never mapped; read from a
// variable, so that the compiler cannot see it.
volatile std::uintptr_t unmapped = 16;

[[noreturn]] void spin()
{
    for (;;) {
        sink = sink + 1;
    }
}

// Small blocks, each touched: AddressSanitizer's allocator serves them from
// the reservation it made at start-up, which only the resident check sees.
[[noreturn]] void allocateWithoutEnd()
{
    std::vector<char*> blocks;
    for (;;) {
        char* block = new char[16384];
        for (std::size_t offset = 0; offset < 16384; offset += 4096) {
            block[offset] = 1;
        }
        blocks.push_back(block);
        sink = sink + blocks.size();
    }
}

// What a library that scribbles on the pipes it finds would do: bytes that
// are no reply on the program's end, then a clean exit. Only pipes opened
// for writing and closed on exec, as the reply's is, are written to: the
// test runner may have left others open.
[[noreturn]] void scribbleOnPipesAndExit()
{
    std::signal(SIGPIPE, SIG_IGN);
    for (int descriptor = 3; descriptor < 1024; ++descriptor) {
        struct stat status {};
        const bool writeOnly = (fcntl(descriptor, F_GETFL) & O_ACCMODE) == O_WRONLY;
        const bool closedOnExec = (fcntl(descriptor, F_GETFD) & FD_CLOEXEC) != 0;
        if (fstat(descriptor, &status) == 0 && S_ISFIFO(status.st_mode) && writeOnly && closedOnExec) {
            [[maybe_unused]] const ssize_t written = write(descriptor, "\x05\0\0", 3);
        }
    }
    _exit(0);
}

struct Case {
    const char* what;
    BoundedCall::Work work;
    Ending ending;
    const char* description;
    BoundedCall::Limits limits = smallLimits;
};

} // namespace

TEST(BoundedCall, RepliesComeBackWholeAndTheChildWritesNothingOfItsOwn)
{
    // The child's standard output and error go nowhere; the program's own
    // stay as they are.
    std::fflush(stdout);
    char outputPath[] = "/tmp/bounded-call-output-XXXXXX";
    const int capture = mkstemp(outputPath);
    ASSERT_GE(capture, 0);
    const int savedOutput = dup(STDOUT_FILENO);
    const int savedError = dup(STDERR_FILENO);
    dup2(capture, STDOUT_FILENO);
    dup2(capture, STDERR_FILENO);
    const std::string large(3 << 20, 'x');
    const BoundedCall::Outcome outcome = BoundedCall::run(
        [&large](std::string& reply) {
            std::printf("printed by the child\n");
            std::fflush(stdout);
            std::fprintf(stderr, "complained by the child\n");
            [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, "written", 7);
            reply = "head" + large + "tail";
        },
        smallLimits);
    dup2(savedOutput, STDOUT_FILENO);
    dup2(savedError, STDERR_FILENO);
    close(savedOutput);
    close(savedError);
    EXPECT_EQ(lseek(capture, 0, SEEK_END), 0) << "the child wrote to the program's streams";
    close(capture);
    unlink(outputPath);

    ASSERT_EQ(outcome.ending, Ending::Replied) << outcome.describe(smallLimits);
    EXPECT_EQ(outcome.reply, "head" + large + "tail");
    const BoundedCall::Outcome empty = BoundedCall::run([](std::string&) {}, smallLimits);
    EXPECT_EQ(empty.ending, Ending::Replied);
    EXPECT_EQ(empty.reply, "");
}

TEST(BoundedCall, EveryWayOfDyingIsOneNamedOutcomeAndTheProgramGoesOn)
{
    const std::vector<Case> cases = {
        // Not a null pointer, which the undefined-behaviour checks would
        // catch first in the sanitizer build.
        {"read the first page", [](std::string&) { sink = *reinterpret_cast<volatile int*>(unmapped); },
         Ending::Signal, "crashed with signal 11 (SIGSEGV)"},
        {"abort", [](std::string&) { std::abort(); }, Ending::Signal, "crashed with signal 6 (SIGABRT)"},
        {"spin", [](std::string&) { spin(); }, Ending::CpuTime, "ran out of its 1 CPU seconds"},
        {"spin through SIGXCPU",
         [](std::string&) {
             std::signal(SIGXCPU, SIG_IGN);
             spin();
         },
         Ending::CpuTime, "ran out of its 1 CPU seconds"},
        {"wait for ever", [](std::string&) { pause(); }, Ending::WallTime, "was still running after 500 ms",
         shortDeadline},
        {"allocate without end", [](std::string&) { allocateWithoutEnd(); }, Ending::Memory,
         "went past its 64 MiB of memory"},
        {"exit with a status", [](std::string&) { _exit(3); }, Ending::ExitStatus, "ended with status 3"},
        {"reply too much", [](std::string& reply) { reply.assign(std::size_t{5} << 20, 'x'); },
         Ending::LargeReply, "replied with more than 4 MiB"},
        {"leave without a reply", [](std::string&) { _exit(0); }, Ending::Malformed,
         "ended without a whole reply"},
        {"scribble on the pipe", [](std::string&) { scribbleOnPipesAndExit(); }, Ending::Malformed,
         "ended without a whole reply"},
    };
    for (const Case& each : cases) {
        const BoundedCall::Outcome outcome = BoundedCall::run(each.work, each.limits);
        EXPECT_EQ(outcome.ending, each.ending) << each.what << ": " << outcome.describe(each.limits);
        EXPECT_EQ(outcome.describe(each.limits), each.description) << each.what;
        EXPECT_TRUE(outcome.reply.empty()) << each.what;
    }
    // The program is still here and the next call works.
    const BoundedCall::Outcome after = BoundedCall::run([](std::string& reply) { reply = "still here"; }, smallLimits);
    EXPECT_EQ(after.reply, "still here");
}

TEST(BoundedCall, TasksRunInChildrenOfTheLauncherWhileItLivesAndOfTheProgramOtherwise)
{
    // Each task replies with its request and the process it was forked
    // from.
    const BoundedCall::Task whereFrom = [](const std::string& request, std::string& reply) {
        reply = request + " from " + std::to_string(getppid());
    };
    const BoundedCall::Task crash = [](const std::string&, std::string&) { std::abort(); };
    const std::string program = std::to_string(getpid());

    EXPECT_EQ(BoundedCall::run(whereFrom, "alone", smallLimits).reply, "alone from " + program);
    ASSERT_TRUE(ChildLauncher::start());
    const pid_t launcher = ChildLauncher::processId();
    EXPECT_EQ(BoundedCall::run(whereFrom, "launched", smallLimits).reply, "launched from " + std::to_string(launcher));
    EXPECT_EQ(BoundedCall::run(crash, "", smallLimits).describe(smallLimits), "crashed with signal 6 (SIGABRT)");
    EXPECT_TRUE(ChildLauncher::isRunning());

    // A launcher that is gone is noticed and left; the program forks its
    // children itself from then on.
    kill(launcher, SIGKILL);
    EXPECT_EQ(BoundedCall::run(whereFrom, "after", smallLimits).reply, "after from " + program);
    EXPECT_FALSE(ChildLauncher::isRunning());
    ASSERT_TRUE(ChildLauncher::start());
    EXPECT_NE(ChildLauncher::processId(), launcher);
    ChildLauncher::stop();
    EXPECT_FALSE(ChildLauncher::isRunning());
    EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1) << "a child was left behind";
}
