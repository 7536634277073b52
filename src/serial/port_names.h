// Which device stands behind each COM number.
// A mapping given by the user (--map) wins over the environment variable
// QUILLFEN_COMn, which wins over the number the machine's own devices were
// given by Discover, which wins over the platform's plain name for the port.
// Names from the environment are checked where they enter: empty or
// over-long names are ignored.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "serial/serial_inventory.h"

namespace quillfen {

inline constexpr unsigned HighestComNumber = 256;

class PortNames {
public:
    explicit PortNames(DeviceRoots roots = {});

    // Map COMn (1 to 256) to a device path; false for a number out of range
    // or an empty path.
    bool Map(unsigned comNumber, const std::string& device);

    // Finds the machine's serial devices and numbers them: a ttyS port with a
    // UART keeps its own number (ttyS0 is COM1); the others, in the order
    // listed, take the lowest numbers nobody holds. A device the user has
    // placed with a mapping gets no second number.
    void Discover();

    // The device to open for COMn.
    std::string DeviceFor(unsigned comNumber) const;
    // The device for COMn with what it is, when Discover found it:
    // "/dev/ttyACM0 (Conexant USB Modem)"; the plain path otherwise.
    std::string Describe(unsigned comNumber) const;
    // Every COM number that opens this device, links resolved.
    std::vector<unsigned> ComNumbersOf(const std::string& device) const;

    const DeviceRoots& Roots() const { return roots_; }
    // What the last Discover found, in numbering order.
    const std::vector<SerialDeviceEntry>& Devices() const { return devices_; }

private:
    // The user's own choice for COMn (mapping or environment), or empty.
    std::string UserChoice(unsigned comNumber) const;

    DeviceRoots roots_;
    std::array<std::string, HighestComNumber + 1> overrides_{};
    std::array<std::string, HighestComNumber + 1> discovered_{};
    std::vector<SerialDeviceEntry> devices_;
};

// The platform's plain device for COMn under the given /dev ("/dev/ttyS0"
// for COM1 on Linux).
std::string PlatformDeviceName(unsigned comNumber, const DeviceRoots& roots = DeviceRoots{});

}  // namespace quillfen
