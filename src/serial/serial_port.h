// SPDX-License-Identifier: MIT
// The one serial port the program talks to, and the paced wait.
// Owns the open/close life of the port with its retry schedule and failure
// reports, the control-line reset, the purges, the two write buffers, the
// receive buffer the response reader consumes, and the status snapshot.
// Every open and every close through ClosePort is recorded in the log.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/host.h"
#include "log/session_log.h"
#include "serial/port_names.h"
#include "serial/serial_device.h"

namespace quillfen {

inline constexpr std::uint32_t ReceiveBufferSize = 2536;
inline constexpr std::uint32_t WriteBufferSize = 2536;
inline constexpr std::uint32_t DrainLimit = 9500;   // ms
inline constexpr std::uint32_t ReadWaitLimit = 1000; // ms
inline constexpr std::uint32_t BreakHold = 128;      // ms
inline constexpr std::uint32_t BackoffStep = 128;    // ms
inline constexpr std::uint32_t DefaultLineSpeed = 2400;  // bit/s
inline constexpr std::uint32_t BackoffLast = 384;    // the counter value after which retries stop waiting

// How OpenPort reports a failure: Yes in the log only (the scans), No in a
// Retry/Cancel box that lets the user try again.
enum class Quiet : int { No = 0, Yes = 1 };

// Bytes read from the port and not yet consumed by the response reader.
struct ReceiveBuffer {
    std::uint8_t bytes[ReceiveBufferSize] = {};
    std::uint32_t readPosition = 0;
    std::uint32_t fillCount = 0;
};

// The last snapshot of the port's error flags and queue counts.
struct PortStatus {
    std::uint32_t errors = 0;
    std::uint32_t cbInQue = 0;
    std::uint32_t cbOutQue = 0;
};

// Why a port was refused, in a few words for a line about that port: "system
// console, left alone", "in use by agetty (pid 412)", "no such device",
// "permission denied (group dialout)", "cannot reach fax-ts1:7001:
// connection refused".
void RefusalWords(const OpenError& error, char* text, std::size_t size);

// Sleep in slices of a tenth of ms (at least 1 ms), pumping the host's events
// after each slice, until the monotonic clock reaches now + ms. Always sleeps
// and pumps at least once.
void PacedWait(Host& host, std::uint32_t ms);

class SerialPort {
public:
    SerialPort(Host& host, SessionLog& log, PortNames& names);

    // Opens COM(SelectedPort + 1). Returns 1 when open, else 0.
    int OpenPort(Quiet quiet);
    // Closes the port with its "Closed COM%u" line; nothing when none is open.
    void ClosePort();
    // Uses the open port, or opens the one chosen in the host's port list;
    // with none chosen, asks for one in a box.
    int EnsurePortOpen();

    void PurgeReceive();
    void PurgeTransmit();

    // Hands data to the port once the output queue has drained (at most
    // DrainLimit ms). 1 when the write was started, 0 when it was not.
    int WritePort(const std::uint8_t* data, std::uint32_t len);
    // Up to n bytes into buffer, waiting at most ReadWaitLimit ms.
    std::uint32_t ReadPort(std::uint8_t* buffer, std::uint32_t n);

    // Refreshes Status() and clears line errors.
    void QueryStatus();
    const PortStatus& Status() const { return status_; }

    ReceiveBuffer& Receive() { return receive_; }
    bool IsOpen() const { return device_->IsOpen(); }
    // The open device has hung up or gone away: nothing more will come.
    bool HungUp() const { return device_->IsOpen() && device_->HungUp(); }
    // Why the last open failed, in RefusalWords' few words; empty once one succeeded.
    const char* Refusal() const { return refusal_; }

    std::uint8_t SelectedPort = 0;

    // The speed the next open sets; 2400 bit/s unless the user chose
    // another. False, and nothing changed, for a speed the port cannot take.
    bool SetLineSpeed(std::uint32_t bitsPerSecond);
    std::uint32_t LineSpeed() const { return lineSpeed_; }

    // Which of the two write buffers the last WritePort used (for tests).
    std::uint32_t WriteToggle() const { return writeToggle_; }

private:
    void ConfigurePort();
    void ResetControlLines();
    void CloseQuietly();
    void NoteWhyRefused(const std::string& device, const OpenError& error);
    void TellRemark(Quiet quiet);

    Host& host_;
    SessionLog& log_;
    PortNames& names_;
    // The transport of the last open; a new one when the next name asks for another.
    std::unique_ptr<SerialDevice> device_;
    ReceiveBuffer receive_;
    PortStatus status_;
    std::uint8_t writeBuffers_[2][WriteBufferSize] = {};
    std::uint32_t writeToggle_ = 0;
    std::uint32_t lineSpeed_ = DefaultLineSpeed;
    char message_[1024] = {};
    char refusal_[DetailSize] = {};
    char remarkTold_[DetailSize] = {};  // the last remark the user heard, not to be repeated
};

}  // namespace quillfen
