// SPDX-License-Identifier: MIT
// TCP connections with POSIX sockets.
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "serial/net_socket.h"

namespace quillfen {

namespace {

using Clock = std::chrono::steady_clock;

// Connection errors and the resolver's, whose numbers never meet.
constexpr FailureKind Kinds[] = {
    {ECONNREFUSED, ConnectFailure::Refused},     {ENETUNREACH, ConnectFailure::Unreachable},
    {EHOSTUNREACH, ConnectFailure::Unreachable}, {ETIMEDOUT, ConnectFailure::TimedOut},
    {EAI_NONAME, ConnectFailure::UnknownHost},   {EAI_AGAIN, ConnectFailure::UnknownHost},
    {EAI_FAIL, ConnectFailure::UnknownHost},     {EAI_NODATA, ConnectFailure::UnknownHost},
    {EAI_ADDRFAMILY, ConnectFailure::UnknownHost},
};

void FailWith(NetError& error, int number) {
    char text[NetWordsSize];
    // The GNU strerror_r may return its own text rather than fill ours.
    FillNetError(error, number, strerror_r(number, text, sizeof text), Kinds);
}

// A non-blocking connect to one address, finished within the time left.
int ConnectOne(const addrinfo& address, Clock::time_point deadline, int& number) {
    int fd = socket(address.ai_family, address.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, address.ai_protocol);
    if (fd < 0) {
        number = errno;
        return -1;
    }
    if (connect(fd, address.ai_addr, address.ai_addrlen) == 0) return fd;
    if (errno != EINPROGRESS) {
        number = errno;
        close(fd);
        return -1;
    }
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            number = ETIMEDOUT;
            close(fd);
            return -1;
        }
        pollfd watch{fd, POLLOUT, 0};
        int ready = poll(&watch, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) continue;
        int result = 0;
        socklen_t size = sizeof result;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &result, &size) != 0) result = errno;
        if (result == 0) return fd;
        number = result;
        close(fd);
        return -1;
    }
}

}  // namespace

struct NetSocket::Platform {
    int fd = -1;
};

NetSocket::NetSocket() : platform_(std::make_unique<Platform>()) {}

NetSocket::~NetSocket() { Close(); }

bool NetSocket::Connect(const std::string& host, std::uint16_t port, int timeoutMs, NetError& error) {
    Close();
    error = NetError{};
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_ADDRCONFIG;
    char service[8];
    std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo* found = nullptr;
    int resolved = getaddrinfo(host.c_str(), service, &hints, &found);
    if (resolved == EAI_SYSTEM) {
        FailWith(error, errno);
        return false;
    }
    if (resolved != 0) {
        FillNetError(error, resolved, gai_strerror(resolved), Kinds);
        return false;
    }
    int number = ECONNREFUSED;
    for (addrinfo* address = found; address && platform_->fd < 0; address = address->ai_next) {
        platform_->fd = ConnectOne(*address, deadline, number);
    }
    freeaddrinfo(found);
    if (platform_->fd < 0) {
        FailWith(error, number);
        return false;
    }
    // A command is a few bytes that should leave at once.
    int on = 1;
    setsockopt(platform_->fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    return true;
}

bool NetSocket::IsOpen() const { return platform_->fd >= 0; }

void NetSocket::Close() {
    if (platform_->fd < 0) return;
    close(platform_->fd);
    platform_->fd = -1;
}

long NetSocket::Send(const std::uint8_t* data, std::size_t len) {
    if (platform_->fd < 0) return -1;
    while (true) {
        ssize_t sent = send(platform_->fd, data, len, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent >= 0) return static_cast<long>(sent);
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

long NetSocket::Receive(std::uint8_t* buffer, std::size_t n) {
    if (platform_->fd < 0) return -1;
    while (true) {
        ssize_t got = recv(platform_->fd, buffer, n, MSG_DONTWAIT);
#ifdef TCP_QUICKACK
        // A server that holds small writes until the last is acknowledged
        // (most do) gets each piece of an answer acknowledged at once, not
        // after the kernel's delayed-acknowledgement wait. Linux forgets the
        // setting after a while, so it is renewed whenever data comes.
        if (got > 0) {
            int on = 1;
            setsockopt(platform_->fd, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
        }
#endif
        if (got > 0) return static_cast<long>(got);
        if (got == 0) return n == 0 ? 0 : -1;
        if (errno == EINTR) continue;
        return errno == EAGAIN || errno == EWOULDBLOCK ? 0 : -1;
    }
}

void NetSocket::WaitReadable(int ms) {
    if (platform_->fd < 0) return;
    pollfd watch{platform_->fd, POLLIN, 0};
    while (poll(&watch, 1, ms < 0 ? 0 : ms) < 0 && errno == EINTR) {
    }
}

std::uint32_t NetSocket::Unsent() const {
    // A Linux socket answers the terminal's unsent-count request with its
    // own; where a system does not, nothing is counted.
    int unsent = 0;
    if (platform_->fd < 0 || ioctl(platform_->fd, TIOCOUTQ, &unsent) != 0 || unsent < 0) return 0;
    return static_cast<std::uint32_t>(unsent);
}

int NetSocket::EndedCode() { return ECONNRESET; }

std::intptr_t NetSocket::Handle() const { return platform_->fd; }

}  // namespace quillfen
