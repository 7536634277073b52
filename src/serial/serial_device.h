// SPDX-License-Identifier: MIT
// One serial port as the port session sees it, whatever carries it.
// SerialDevice is the transport seam: a local device (posix/, win32/, chosen
// by the build), a Telnet COM-port server (rfc2217://HOST:PORT) or a plain
// TCP port (tcp://HOST:PORT), chosen at open time from the device name by
// MakeDevice. Every transport opens exclusively, applies the fixed line
// settings where it can, drives the control lines, reports queue counts and
// moves bytes without ever blocking the caller longer than the wait it is
// given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "serial/serial_inventory.h"

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

// Who keeps a refused device from us, when it was refused for that reason.
enum class Occupier { None, Console, Process };

inline constexpr std::size_t HolderNameSize = 32;
inline constexpr std::size_t GroupNameSize = 40;
inline constexpr std::size_t DetailSize = 160;

struct OpenError {
    OpenErrorRow row = OpenErrorRow::Unspecified;
    int code = 0;  // the platform's own error number, shown to the user
    Occupier occupier = Occupier::None;
    long holderPid = 0;                    // the process holding it, 0 when unknown
    char holderName[HolderNameSize] = {};  // its command name, printable, cut to fit
    char group[GroupNameSize] = {};        // the group that owns a device access was denied to
    char detail[DetailSize] = {};          // what the system said, for the user: "fax-ts1:7001: connection refused"
};

// Fills error for a name no transport can open: a port that cannot be
// found, with a detail that names the text and says what is wrong with it.
void FailUnusableName(const std::string& name, const std::string& problem, OpenError& error);

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
    virtual ~SerialDevice() = default;

    // Opens the named device exclusively; on failure fills error and returns
    // false. roots say where the machine lists its consoles, processes and
    // port locks.
    virtual bool Open(const std::string& device, OpenError& error, const DeviceRoots& roots) = 0;
    virtual bool IsOpen() const = 0;
    // Restores the saved line settings and releases the device and its lock
    // file. No-op when closed.
    virtual void Close() = 0;
    // The device has hung up or gone away (a USB modem pulled, the far side
    // of a pty closed, the server's connection ended) since it was opened:
    // it will never answer again.
    virtual bool HungUp() const = 0;
    // Something the user should hear about a port that did open, once: a
    // server that keeps the line settings to itself. Empty otherwise.
    virtual const char* OpenRemark() const { return ""; }

    // bitsPerSecond (one of LineSpeeds()), 8N1, raw, no flow control, DTR
    // and RTS raised. Returns 0 on success, else the platform's error number.
    virtual int Configure(std::uint32_t bitsPerSecond) = 0;
    // Failures a device cannot avoid (a pty has no modem lines) are ignored.
    virtual void Control(LineControl step) = 0;

    virtual void PurgeInput() = 0;
    // Drops the output queue and any bytes not yet handed to the OS.
    virtual void PurgeOutput() = 0;

    // Also finishes handing over bytes of an earlier write that the OS did
    // not take at once, so a caller polling the output count makes progress.
    virtual QueueCounts QueryStatus() = 0;

    // Starts a write of len bytes (at most DeviceWriteLimit) and returns at
    // once. Bytes the OS does not take now are kept and handed over later;
    // they are never dropped except by PurgeOutput. Returns how many bytes
    // were taken: all of them, unless bytes of earlier writes still fill the
    // space kept for them (wait for the output count to fall first).
    // Where the OS writes in the background, it reads data until the output
    // count has fallen to 0: keep data unchanged until then.
    virtual std::size_t StartWrite(const std::uint8_t* data, std::size_t len) = 0;

    // Reads up to n bytes, waiting at most waitMs for the first one. Returns
    // the count placed in buffer; 0 when nothing came or the read failed.
    // Nothing lands in buffer after the call returns.
    virtual std::size_t Read(std::uint8_t* buffer, std::size_t n, int waitMs) = 0;

    // The handle's value, whole, for the line-settings failure box.
    virtual std::intptr_t HandleValue() const = 0;
};

// The transport a device name asks for: a network port for
// "rfc2217://HOST:PORT" and "tcp://HOST:PORT", the local device otherwise.
// The device is closed; Open it with the same name.
std::unique_ptr<SerialDevice> MakeDevice(const std::string& name);

}  // namespace quillfen
