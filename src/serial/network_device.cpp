// SPDX-License-Identifier: MIT
#include "serial/network_device.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>

namespace quillfen {

namespace {

using Clock = std::chrono::steady_clock;

// At most this many socket reads in one look at the connection, so a server
// that sends without end cannot hold a caller that must not wait.
constexpr int ReadsPerPump = 8;

struct FailureRow {
    ConnectFailure kind;
    OpenErrorRow row;
};
// A server that is not there is a port that cannot be found; one that does
// not answer in time is not ready.
constexpr FailureRow FailureRows[] = {
    {ConnectFailure::Refused, OpenErrorRow::CannotFind},
    {ConnectFailure::UnknownHost, OpenErrorRow::CannotFind},
    {ConnectFailure::Unreachable, OpenErrorRow::CannotFind},
    {ConnectFailure::TimedOut, OpenErrorRow::NotReady},
    {ConnectFailure::Other, OpenErrorRow::Unspecified},
};

struct ControlRow {
    LineControl step;
    std::optional<rfc2217::Control> wire;
};
// XOFF and XON only hold and release our own output; the COM-port option
// has no form for them, so they stay on this side of the connection.
constexpr ControlRow ControlRows[] = {
    {LineControl::ClearDtr, rfc2217::Control::DtrOff},  {LineControl::ClearRts, rfc2217::Control::RtsOff},
    {LineControl::SetXoff, std::nullopt},               {LineControl::SetBreak, rfc2217::Control::BreakOn},
    {LineControl::ClearBreak, rfc2217::Control::BreakOff}, {LineControl::SetXon, std::nullopt},
    {LineControl::SetRts, rfc2217::Control::RtsOn},     {LineControl::SetDtr, rfc2217::Control::DtrOn},
};

int MillisecondsLeft(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? static_cast<int>(left) : 0;
}

}  // namespace

bool NetworkDevice::Open(const std::string& device, OpenError& error, const DeviceRoots&) {
    Close();
    error = OpenError{};
    std::string problem;
    if (ReadDeviceName(device, address_, problem) != NameForm::Network) {
        FailUnusableName(device, problem, error);
        return false;
    }
    NetError failure;
    if (!socket_.Connect(address_.host, address_.port, ConnectLimit, failure)) {
        for (const FailureRow& row : FailureRows)
            if (row.kind == failure.kind) error.row = row.row;
        error.code = failure.code;
        std::snprintf(error.detail, sizeof error.detail, "cannot reach %s: %s", address_.Shown().c_str(),
                      failure.words);
        return false;
    }
    if (!Telnet()) return true;

    telnet_.Start();
    Flush();
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(NegotiationLimit);
    while (telnet_.ComPort() == rfc2217::ComPortState::Pending && !hungUp_) {
        Pump();
        int left = MillisecondsLeft(deadline);
        if (left == 0) break;
        if (telnet_.ComPort() == rfc2217::ComPortState::Pending) socket_.WaitReadable(left);
    }
    if (hungUp_) {
        // A terminal server ends a connection at once when another client
        // has the port.
        Close();
        error.row = OpenErrorRow::SharingViolation;
        error.code = NetSocket::EndedCode();
        std::snprintf(error.detail, sizeof error.detail,
                      "%s ended the connection at once; another client may be using the port",
                      address_.Shown().c_str());
        return false;
    }
    if (telnet_.ComPort() == rfc2217::ComPortState::Pending) telnet_.GiveUpOnComPort();
    if (telnet_.ComPort() == rfc2217::ComPortState::Refused) {
        std::snprintf(remark_, sizeof remark_,
                      "%s does not take the Telnet COM-port option: the line settings are the server's own",
                      address_.Shown().c_str());
    }
    return true;
}

void NetworkDevice::Close() {
    // The server sets the line up again for its next client, so there are
    // no settings of ours to undo.
    socket_.Close();
    hungUp_ = false;
    remark_[0] = '\0';
    rawCount_ = 0;
    wireStart_ = wireCount_ = 0;
    inputStart_ = inputCount_ = 0;
}

void NetworkDevice::NoteEnded() {
    hungUp_ = true;
    // Nothing queued can reach the modem any more.
    telnet_.Sent(telnet_.Outgoing().size());
    rawCount_ = 0;
}

void NetworkDevice::Flush() {
    while (socket_.IsOpen()) {
        const std::uint8_t* pending = Telnet() ? telnet_.Outgoing().data() : rawOut_;
        const std::size_t count = Telnet() ? telnet_.Outgoing().size() : rawCount_;
        if (count == 0) return;
        long sent = socket_.Send(pending, count);
        if (sent < 0) {
            NoteEnded();
            return;
        }
        if (sent == 0) return;
        if (Telnet()) {
            telnet_.Sent(static_cast<std::size_t>(sent));
        } else {
            rawCount_ -= static_cast<std::size_t>(sent);
            std::memmove(rawOut_, rawOut_ + sent, rawCount_);
        }
    }
}

void NetworkDevice::Decode() {
    if (inputStart_ > 0) {
        std::memmove(input_, input_ + inputStart_, inputCount_);
        inputStart_ = 0;
    }
    while (wireCount_ > 0) {
        const std::size_t room = NetworkInputSize - inputCount_;
        std::size_t delivered = 0;
        std::size_t used = 0;
        if (Telnet()) {
            used = telnet_.Receive(wire_ + wireStart_, wireCount_, input_ + inputCount_, room, delivered);
        } else {
            used = delivered = std::min(room, wireCount_);
            std::memcpy(input_ + inputCount_, wire_ + wireStart_, used);
        }
        inputCount_ += delivered;
        wireStart_ += used;
        wireCount_ -= used;
        if (used > 0) continue;
        // Stopped for want of room: the reader's, or the outbox's for a
        // reply. Only sending can make room now.
        const std::size_t waiting = Telnet() ? telnet_.Outgoing().size() : 0;
        Flush();
        if (!Telnet() || telnet_.Outgoing().size() == waiting) break;
    }
    if (wireCount_ == 0) wireStart_ = 0;
}

void NetworkDevice::Pump() {
    if (!socket_.IsOpen()) return;
    Flush();
    for (int reads = 0; reads < ReadsPerPump && !hungUp_; ++reads) {
        Decode();
        if (wireCount_ > 0) break;
        long got = socket_.Receive(wire_, sizeof wire_);
        if (got < 0) NoteEnded();
        if (got <= 0) break;
        wireStart_ = 0;
        wireCount_ = static_cast<std::size_t>(got);
        // A read that did not fill the buffer took all there was.
        if (wireCount_ < sizeof wire_) break;
    }
    Decode();
    Flush();
}

int NetworkDevice::Configure(std::uint32_t bitsPerSecond) {
    if (!IsLineSpeed(bitsPerSecond)) return EINVAL;
    if (!socket_.IsOpen()) return EBADF;
    // Without the COM-port option the server keeps its own settings, as the
    // user was told at the open.
    if (!Telnet() || telnet_.ComPort() != rfc2217::ComPortState::Accepted) return 0;
    telnet_.QueueBaudRate(bitsPerSecond);
    telnet_.QueueDataSize(8);
    telnet_.QueueParityNone();
    telnet_.QueueStopBitsOne();
    telnet_.QueueControl(rfc2217::Control::NoFlowControl);
    telnet_.QueueControl(rfc2217::Control::DtrOn);
    telnet_.QueueControl(rfc2217::Control::RtsOn);
    Flush();
    return 0;
}

void NetworkDevice::Control(LineControl step) {
    if (!Telnet() || !socket_.IsOpen()) return;
    // A server that does not acknowledge a change (ser2net on a pty never
    // does for DTR and RTS) is not waited for.
    for (const ControlRow& row : ControlRows)
        if (row.step == step && row.wire) telnet_.QueueControl(*row.wire);
    Flush();
}

void NetworkDevice::PurgeInput() {
    if (!socket_.IsOpen()) return;
    // What has come so far is decoded first, so no command of the server's
    // is lost with the modem's bytes.
    Pump();
    inputStart_ = inputCount_ = 0;
    Decode();
    inputStart_ = inputCount_ = 0;
    if (Telnet()) telnet_.QueuePurge(rfc2217::Purge::Receive);
    Flush();
}

void NetworkDevice::PurgeOutput() {
    // Bytes the socket has not taken yet may end in half a Telnet command,
    // so they go as they are; the server empties its own queue.
    if (!socket_.IsOpen() || !Telnet()) return;
    telnet_.QueuePurge(rfc2217::Purge::Transmit);
    Flush();
}

QueueCounts NetworkDevice::QueryStatus() {
    QueueCounts counts;
    if (!socket_.IsOpen()) return counts;
    Pump();
    counts.inQueue = static_cast<std::uint32_t>(inputCount_);
    // After the end, what the kernel still holds will never leave; counting
    // it would make every later write wait out its drain limit.
    if (!hungUp_) {
        counts.outQueue =
            static_cast<std::uint32_t>(Telnet() ? telnet_.Outgoing().size() : rawCount_) + socket_.Unsent();
    }
    if (Telnet()) counts.errors = telnet_.TakeLineErrors();
    return counts;
}

std::size_t NetworkDevice::StartWrite(const std::uint8_t* data, std::size_t len) {
    if (!socket_.IsOpen() || data == nullptr || len == 0) return 0;
    if (len > DeviceWriteLimit) len = DeviceWriteLimit;
    Flush();
    // A connection that has ended takes nothing ever again; the bytes leave
    // with it, as with a device that is gone.
    if (hungUp_) return len;
    std::size_t taken = 0;
    if (Telnet()) {
        taken = telnet_.QueueData(data, len);
    } else {
        taken = std::min(len, DeviceWriteLimit - rawCount_);
        std::memcpy(rawOut_ + rawCount_, data, taken);
        rawCount_ += taken;
    }
    Flush();
    return taken;
}

std::size_t NetworkDevice::Read(std::uint8_t* buffer, std::size_t n, int waitMs) {
    if (!socket_.IsOpen() || buffer == nullptr || n == 0) return 0;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs > 0 ? waitMs : 0);
    while (true) {
        Pump();
        if (inputCount_ > 0) {
            const std::size_t count = std::min(n, inputCount_);
            std::memcpy(buffer, input_ + inputStart_, count);
            inputStart_ += count;
            inputCount_ -= count;
            if (inputCount_ == 0) inputStart_ = 0;
            return count;
        }
        const int left = MillisecondsLeft(deadline);
        if (hungUp_ || left == 0) return 0;
        socket_.WaitReadable(left);
    }
}

}  // namespace quillfen
