#include "base/ChildLauncher.h"

#include "base/MessageReader.h"
#include "base/MessageWriter.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

int ChildLauncher::connection = -1;
pid_t ChildLauncher::launcher = -1;

namespace {

using Clock = std::chrono::steady_clock;
using Outcome = BoundedCall::Outcome;

// Beyond the child's own deadline, which the launcher keeps: time to relay
// a large reply.
constexpr std::chrono::seconds relayMargin(10);
constexpr std::size_t maxRequestBytes = std::size_t{1} << 20;

// Messages travel as their length, then their bytes. A peer that is gone
// raises no SIGPIPE.
bool sendMessage(int socket, const std::string& message)
{
    const std::uint64_t length = message.size();
    std::string framed(reinterpret_cast<const char*>(&length), sizeof length);
    framed += message;
    for (std::size_t sent = 0; sent < framed.size();) {
        const ssize_t count = send(socket, framed.data() + sent, framed.size() - sent, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(count);
    }
    return true;
}

// Waits for each part no longer than the deadline, if one is given.
bool receiveBytes(int socket, char* into, std::size_t size, std::optional<Clock::time_point> deadline)
{
    for (std::size_t received = 0; received < size;) {
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
            pollfd watched{socket, POLLIN, 0};
            if (left.count() <= 0 || poll(&watched, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
        }
        const ssize_t count = recv(socket, into + received, size - received, 0);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        received += static_cast<std::size_t>(count);
    }
    return true;
}

bool receiveMessage(int socket, std::string& message, std::size_t maxBytes,
                    std::optional<Clock::time_point> deadline = std::nullopt)
{
    std::uint64_t length = 0;
    if (!receiveBytes(socket, reinterpret_cast<char*>(&length), sizeof length, deadline) || length > maxBytes) {
        return false;
    }
    message.resize(length);
    return receiveBytes(socket, message.data(), message.size(), deadline);
}

std::string describeOutcome(const Outcome& outcome)
{
    MessageWriter message;
    message.put(outcome.ending);
    message.put(outcome.code);
    message.putString(outcome.reply);
    return std::move(message.message());
}

std::optional<Outcome> readOutcome(const std::string& bytes)
{
    MessageReader message(bytes);
    Outcome outcome;
    outcome.ending = message.get<BoundedCall::Ending>();
    outcome.code = message.get<int>();
    outcome.reply = message.getString(bytes.size());
    return message.finished() && outcome.ending <= BoundedCall::Ending::NotStarted ? std::optional<Outcome>(outcome)
                                                                                  : std::nullopt;
}

// One request: the task's address, the limits and the task's request.
void serveOne(int socket, const std::string& request)
{
    MessageReader message(request);
    const auto task = reinterpret_cast<BoundedCall::Task>(message.get<std::uintptr_t>());
    const auto limits = message.get<BoundedCall::Limits>();
    const std::string taskRequest = message.getString(maxRequestBytes);
    if (!message.finished()) {
        _exit(1);
    }
    const Outcome outcome =
        BoundedCall::run([task, &taskRequest](std::string& reply) { task(taskRequest, reply); }, limits);
    if (!sendMessage(socket, describeOutcome(outcome))) {
        _exit(0);
    }
}

// The launcher writes nothing, and ends with the program.
[[noreturn]] void serve(int socket, pid_t program)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != program) {
        _exit(0);
    }
    const int null = open("/dev/null", O_RDWR);
    for (const int stream : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        dup2(null, stream);
    }
    for (std::string request; receiveMessage(socket, request, maxRequestBytes);) {
        serveOne(socket, request);
    }
    _exit(0);
}

} // namespace

bool ChildLauncher::start()
{
    if (isRunning()) {
        return true;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        return false;
    }
    const pid_t program = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(ends[0]);
        close(ends[1]);
        return false;
    }
    if (child == 0) {
        close(ends[0]);
        serve(ends[1], program);
    }
    close(ends[1]);
    connection = ends[0];
    launcher = child;
    return true;
}

void ChildLauncher::stop()
{
    if (!isRunning()) {
        return;
    }
    close(connection);
    connection = -1;
    waitpid(launcher, nullptr, 0);
    launcher = -1;
}

std::optional<BoundedCall::Outcome> ChildLauncher::run(BoundedCall::Task task, const std::string& request,
                                                       const BoundedCall::Limits& limits)
{
    if (!isRunning() || request.size() > maxRequestBytes) {
        return std::nullopt;
    }
    MessageWriter message;
    message.put(reinterpret_cast<std::uintptr_t>(task));
    message.put(limits);
    message.putString(request);
    std::string response;
    const Clock::time_point deadline = Clock::now() + limits.wall + relayMargin;
    std::optional<Outcome> outcome;
    if (sendMessage(connection, message.message()) &&
        receiveMessage(connection, response, limits.replyBytes + 64, deadline)) {
        outcome = readOutcome(response);
    }
    if (!outcome) {
        kill(launcher, SIGKILL);
        stop();
    }
    return outcome;
}
