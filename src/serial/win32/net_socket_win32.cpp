// SPDX-License-Identifier: MIT
// TCP connections with Winsock.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <cstring>

#include "serial/net_socket.h"

namespace quillfen {

namespace {

using Clock = std::chrono::steady_clock;

constexpr FailureKind Kinds[] = {
    {WSAECONNREFUSED, ConnectFailure::Refused},     {WSAHOST_NOT_FOUND, ConnectFailure::UnknownHost},
    {WSANO_DATA, ConnectFailure::UnknownHost},      {WSATRY_AGAIN, ConnectFailure::UnknownHost},
    {WSANO_RECOVERY, ConnectFailure::UnknownHost},  {WSAENETUNREACH, ConnectFailure::Unreachable},
    {WSAEHOSTUNREACH, ConnectFailure::Unreachable}, {WSAETIMEDOUT, ConnectFailure::TimedOut},
};

void FailWith(NetError& error, int number) {
    char text[NetWordsSize] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, static_cast<DWORD>(number), 0,
                   text, sizeof text, nullptr);
    FillNetError(error, number, text, Kinds);
}

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

timeval Timeval(int ms) {
    timeval wait{};
    wait.tv_sec = ms / 1000;
    wait.tv_usec = (ms % 1000) * 1000;
    return wait;
}

// A non-blocking connect to one address, finished within the time left.
SOCKET ConnectOne(const addrinfo& address, Clock::time_point deadline, int& number) {
    SOCKET s = socket(address.ai_family, address.ai_socktype, address.ai_protocol);
    if (s == INVALID_SOCKET) {
        number = WSAGetLastError();
        return INVALID_SOCKET;
    }
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    if (connect(s, address.ai_addr, static_cast<int>(address.ai_addrlen)) == 0) return s;
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        number = WSAGetLastError();
        closesocket(s);
        return INVALID_SOCKET;
    }
    fd_set writable;
    fd_set failed;
    FD_ZERO(&writable);
    FD_ZERO(&failed);
    FD_SET(s, &writable);
    FD_SET(s, &failed);
    timeval wait = Timeval(MillisecondsLeft(deadline));
    int ready = select(0, nullptr, &writable, &failed, &wait);
    if (ready == 0) {
        number = WSAETIMEDOUT;
        closesocket(s);
        return INVALID_SOCKET;
    }
    int result = 0;
    int size = sizeof result;
    if (ready < 0) result = WSAGetLastError();
    else if (getsockopt(s, SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&result), &size) != 0) result = WSAGetLastError();
    if (result == 0 && FD_ISSET(s, &writable)) return s;
    number = result != 0 ? result : WSAECONNREFUSED;
    closesocket(s);
    return INVALID_SOCKET;
}

}  // namespace

struct NetSocket::Platform {
    SOCKET s = INVALID_SOCKET;
    bool started = false;
};

NetSocket::NetSocket() : platform_(std::make_unique<Platform>()) {}

NetSocket::~NetSocket() {
    Close();
    if (platform_->started) WSACleanup();
}

bool NetSocket::Connect(const std::string& host, std::uint16_t port, int timeoutMs, NetError& error) {
    Close();
    error = NetError{};
    if (!platform_->started) {
        WSADATA data;
        int started = WSAStartup(MAKEWORD(2, 2), &data);
        if (started != 0) {
            FailWith(error, started);
            return false;
        }
        platform_->started = true;
    }
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    char service[8];
    std::snprintf(service, sizeof service, "%u", static_cast<unsigned>(port));
    addrinfo* found = nullptr;
    int resolved = getaddrinfo(host.c_str(), service, &hints, &found);
    if (resolved != 0) {
        FailWith(error, resolved);
        return false;
    }
    int number = WSAECONNREFUSED;
    for (addrinfo* address = found; address && platform_->s == INVALID_SOCKET; address = address->ai_next) {
        platform_->s = ConnectOne(*address, deadline, number);
    }
    freeaddrinfo(found);
    if (platform_->s == INVALID_SOCKET) {
        FailWith(error, number);
        return false;
    }
    // A command is a few bytes that should leave at once.
    BOOL on = TRUE;
    setsockopt(platform_->s, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);
    return true;
}

bool NetSocket::IsOpen() const { return platform_->s != INVALID_SOCKET; }

void NetSocket::Close() {
    if (platform_->s == INVALID_SOCKET) return;
    closesocket(platform_->s);
    platform_->s = INVALID_SOCKET;
}

long NetSocket::Send(const std::uint8_t* data, std::size_t len) {
    if (platform_->s == INVALID_SOCKET) return -1;
    if (len > 65536) len = 65536;
    int sent = send(platform_->s, reinterpret_cast<const char*>(data), static_cast<int>(len), 0);
    if (sent >= 0) return sent;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

long NetSocket::Receive(std::uint8_t* buffer, std::size_t n) {
    if (platform_->s == INVALID_SOCKET) return -1;
    if (n == 0) return 0;
    if (n > 65536) n = 65536;
    int got = recv(platform_->s, reinterpret_cast<char*>(buffer), static_cast<int>(n), 0);
    if (got > 0) return got;
    if (got == 0) return -1;
    return WSAGetLastError() == WSAEWOULDBLOCK ? 0 : -1;
}

void NetSocket::WaitReadable(int ms) {
    if (platform_->s == INVALID_SOCKET) return;
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(platform_->s, &readable);
    timeval wait = Timeval(ms < 0 ? 0 : ms);
    select(0, &readable, nullptr, nullptr, &wait);
}

// Winsock keeps the count of bytes still unsent to itself.
std::uint32_t NetSocket::Unsent() const { return 0; }

int NetSocket::EndedCode() { return WSAECONNRESET; }

std::intptr_t NetSocket::Handle() const { return static_cast<std::intptr_t>(platform_->s); }

}  // namespace quillfen
