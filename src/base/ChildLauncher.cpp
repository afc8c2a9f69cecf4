#include "base/ChildLauncher.h"

#include "base/MessageReader.h"
#include "base/MessageWriter.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <initializer_list>
#include <poll.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/uio.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

int ChildLauncher::connection = -1;
pid_t ChildLauncher::launcher = -1;

namespace {

using Clock = std::chrono::steady_clock;
using Outcome = BoundedCall::Outcome;

// Beyond the child's own deadline, which the launcher keeps: time to relay
// a large reply.
constexpr std::chrono::seconds relayMargin(10);
constexpr std::size_t maxRequestBytes = std::size_t{1} << 20;

// Sends the parts one after the other without joining them first: a reply
// of an image is hundreds of kilobytes. A peer that is gone raises no
// SIGPIPE.
bool sendParts(int socket, std::initializer_list<std::string_view> parts)
{
    std::vector<iovec> left;
    for (const std::string_view part : parts) {
        left.push_back({const_cast<char*>(part.data()), part.size()});
    }
    std::size_t first = 0;
    while (first < left.size()) {
        msghdr message{};
        message.msg_iov = left.data() + first;
        message.msg_iovlen = left.size() - first;
        ssize_t count = sendmsg(socket, &message, MSG_NOSIGNAL);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count <= 0) {
            return false;
        }
        for (; first < left.size() && static_cast<std::size_t>(count) >= left[first].iov_len; ++first) {
            count -= static_cast<ssize_t>(left[first].iov_len);
        }
        if (first < left.size()) {
            left[first].iov_base = static_cast<char*>(left[first].iov_base) + count;
            left[first].iov_len -= static_cast<std::size_t>(count);
        }
    }
    return true;
}

template <typename T>
std::string_view bytesOf(const T& value)
{
    return {reinterpret_cast<const char*>(&value), sizeof value};
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

// A request travels as its length, then its bytes.
bool receiveRequest(int socket, std::string& request)
{
    std::uint64_t length = 0;
    if (!receiveBytes(socket, reinterpret_cast<char*>(&length), sizeof length, std::nullopt) ||
        length > maxRequestBytes) {
        return false;
    }
    request.resize(length);
    return receiveBytes(socket, request.data(), request.size(), std::nullopt);
}

// An outcome travels as its ending, its code and the length of its reply,
// then the reply.
struct OutcomeHeader {
    BoundedCall::Ending ending;
    int code;
    std::uint64_t replyBytes;
};

bool sendOutcome(int socket, const Outcome& outcome)
{
    const OutcomeHeader header{outcome.ending, outcome.code, outcome.reply.size()};
    return sendParts(socket, {bytesOf(header), outcome.reply});
}

std::optional<Outcome> receiveOutcome(int socket, std::size_t maxReplyBytes, Clock::time_point deadline)
{
    OutcomeHeader header{};
    if (!receiveBytes(socket, reinterpret_cast<char*>(&header), sizeof header, deadline) ||
        header.ending > BoundedCall::Ending::NotStarted || header.replyBytes > maxReplyBytes) {
        return std::nullopt;
    }
    Outcome outcome{header.ending, std::string(header.replyBytes, '\0'), header.code};
    if (!receiveBytes(socket, outcome.reply.data(), outcome.reply.size(), deadline)) {
        return std::nullopt;
    }
    return outcome;
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
    if (!sendOutcome(socket, outcome)) {
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
    for (std::string request; receiveRequest(socket, request);) {
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
    const std::uint64_t length = message.message().size();
    const Clock::time_point deadline = Clock::now() + limits.wall + relayMargin;
    std::optional<Outcome> outcome;
    if (sendParts(connection, {bytesOf(length), message.message()})) {
        outcome = receiveOutcome(connection, limits.replyBytes, deadline);
    }
    if (!outcome) {
        kill(launcher, SIGKILL);
        stop();
    }
    return outcome;
}
