// One serial device, the platform layer under the port session.
// Implemented once per OS (posix/, win32/), chosen by the build. It opens a device
// exclusively, applies the fixed line settings, drives the control lines,
// reports queue counts and moves bytes without ever blocking the caller
// longer than the wait it is given. Close restores the settings the device
// had before the open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quillfen {

// The rows of the open-failure tables; the platform decides which of its
// error numbers falls into which row.
enum class OpenErrorRow {
    CannotFind,
    TooManyOpen,
    AccessDenied,
    StorageDestroyed,
    NotEnoughMemory,
    InvalidAccess,
    NotReady,
    SharingViolation,
    Unspecified,
};

struct OpenError {
    OpenErrorRow row = OpenErrorRow::Unspecified;
    int code = 0;  // the platform's own error number, shown to the user
};

// The control-line steps of the reset, named as the modem sees them.
enum class LineControl { ClearDtr, ClearRts, SetXoff, SetBreak, ClearBreak, SetXon, SetRts, SetDtr };

struct QueueCounts {
    std::uint32_t inQueue = 0;   // received bytes waiting to be read
    std::uint32_t outQueue = 0;  // bytes still to leave, including any not yet handed to the OS
    std::uint32_t errors = 0;    // line-error flags, cleared by the query
};

// The line speeds a port can be set to, slowest first.
std::span<const std::uint32_t> LineSpeeds();
bool IsLineSpeed(std::uint32_t bitsPerSecond);

// The largest block one write may carry.
inline constexpr std::size_t DeviceWriteLimit = 2536;

class SerialDevice {
public:
    SerialDevice();
    ~SerialDevice();
    SerialDevice(const SerialDevice&) = delete;
    SerialDevice& operator=(const SerialDevice&) = delete;

    // Opens the named device exclusively; on failure fills error and returns false.
    bool Open(const std::string& device, OpenError& error);
    bool IsOpen() const;
    // Restores the saved line settings and releases the device. No-op when closed.
    void Close();

    // bitsPerSecond (one of LineSpeeds()), 8N1, raw, no flow control, DTR
    // and RTS raised. Returns 0 on success, else the platform's error number.
    int Configure(std::uint32_t bitsPerSecond);
    // Failures a device cannot avoid (a pty has no modem lines) are ignored.
    void Control(LineControl step);

    void PurgeInput();
    // Drops the output queue and any bytes not yet handed to the OS.
    void PurgeOutput();

    // Also finishes handing over bytes of an earlier write that the OS did
    // not take at once, so a caller polling the output count makes progress.
    QueueCounts QueryStatus();

    // Starts a write of len bytes (at most DeviceWriteLimit) and returns at
    // once. Bytes the OS does not take now are kept and handed over later;
    // they are never dropped except by PurgeOutput. Returns how many bytes
    // were taken: all of them, unless bytes of earlier writes still fill the
    // space kept for them (wait for the output count to fall first).
    // Where the OS writes in the background, it reads data until the output
    // count has fallen to 0: keep data unchanged until then.
    std::size_t StartWrite(const std::uint8_t* data, std::size_t len);

    // Reads up to n bytes, waiting at most waitMs for the first one. Returns
    // the count placed in buffer; 0 when nothing came or the read failed.
    // Nothing lands in buffer after the call returns.
    std::size_t Read(std::uint8_t* buffer, std::size_t n, int waitMs);

    // The handle's value, whole, for the line-settings failure box.
    std::intptr_t HandleValue() const;

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace quillfen
