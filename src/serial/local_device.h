// SPDX-License-Identifier: MIT
// A serial device of this machine: termios on POSIX (posix/), the
// communications API on Windows (win32/), picked by the build. It opens a
// device exclusively and restores the settings the device had before the
// open when it closes. A device that is a system console or that another
// program holds is refused before it is opened, so nothing reaches it.
#pragma once

#include <memory>

#include "serial/serial_device.h"

namespace quillfen {

// Whether a device of this machine is a system console or another process
// holds it, found without opening it; error then says who. Always false
// where the system keeps other programs off an open port by itself.
bool DeviceOccupied(const std::string& device, const DeviceRoots& roots, OpenError& error);

class LocalDevice final : public SerialDevice {
public:
    LocalDevice();
    ~LocalDevice() override;
    LocalDevice(const LocalDevice&) = delete;
    LocalDevice& operator=(const LocalDevice&) = delete;

    bool Open(const std::string& device, OpenError& error, const DeviceRoots& roots) override;
    // With the machine's own roots.
    bool Open(const std::string& device, OpenError& error);
    bool IsOpen() const override;
    void Close() override;
    bool HungUp() const override;
    int Configure(std::uint32_t bitsPerSecond) override;
    void Control(LineControl step) override;
    void PurgeInput() override;
    void PurgeOutput() override;
    QueueCounts QueryStatus() override;
    std::size_t StartWrite(const std::uint8_t* data, std::size_t len) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t n, int waitMs) override;
    std::intptr_t HandleValue() const override;

private:
    struct Platform;
    std::unique_ptr<Platform> platform_;
};

}  // namespace quillfen
