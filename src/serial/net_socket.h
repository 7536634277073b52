// SPDX-License-Identifier: MIT
// One TCP connection for the network ports: the platform's sockets behind
// one header (posix/, win32/), so the network transport itself stays
// portable. Nothing here waits longer than it is told; reads and writes
// never block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quillfen {

// Why a connection could not be made, in the terms the open-failure texts use.
enum class ConnectFailure { Refused, UnknownHost, Unreachable, TimedOut, Other };

inline constexpr std::size_t NetWordsSize = 96;

struct NetError {
    ConnectFailure kind = ConnectFailure::Other;
    int code = 0;                   // the platform's own number
    char words[NetWordsSize] = {};  // what the system calls it, lower case: "connection refused"
};

// Which failure a platform's error number stands for.
struct FailureKind {
    int number;
    ConnectFailure kind;
};

// Fills error from the platform's number, its table of kinds (a number not
// listed is Other) and the system's own text for it, which becomes one
// clause in lower case, without line ends or a full stop.
void FillNetError(NetError& error, int number, const char* systemText, std::span<const FailureKind> kinds);

class NetSocket {
public:
    NetSocket();
    ~NetSocket();
    NetSocket(const NetSocket&) = delete;
    NetSocket& operator=(const NetSocket&) = delete;

    // Resolves host and connects within timeoutMs, trying each address the
    // name has. False, with error filled, when none answered.
    bool Connect(const std::string& host, std::uint16_t port, int timeoutMs, NetError& error);
    bool IsOpen() const;
    void Close();

    // What the socket takes now; -1 when the connection is gone.
    long Send(const std::uint8_t* data, std::size_t len);
    // What has arrived, without waiting; 0 when nothing has, -1 when the
    // server ended the connection or it broke.
    long Receive(std::uint8_t* buffer, std::size_t n);
    // Waits at most ms for something to read, or for the end.
    void WaitReadable(int ms);
    // Bytes the kernel holds that the server has not taken yet, where the
    // platform tells; 0 where it does not.
    std::uint32_t Unsent() const;
    // The number a broken connection is reported with.
    static int EndedCode();
    std::intptr_t Handle() const;

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace quillfen
