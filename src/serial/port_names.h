// Which device stands behind each COM number.
// A mapping given by the user (--map) wins over the environment variable
// QUILLFEN_COMn, which wins over the platform's own name for the port.
// Names from the environment are checked where they enter: empty or
// over-long names are ignored.
#pragma once

#include <array>
#include <string>

namespace quillfen {

inline constexpr unsigned HighestComNumber = 256;

class PortNames {
public:
    // Map COMn (1 to 256) to a device path; false for a number out of range
    // or an empty path.
    bool Map(unsigned comNumber, const std::string& device);
    // The device to open for COMn.
    std::string DeviceFor(unsigned comNumber) const;

private:
    std::array<std::string, HighestComNumber + 1> overrides_{};
};

// The platform's default device for COMn ("/dev/ttyS0" for COM1 on Linux).
std::string PlatformDeviceName(unsigned comNumber);

}  // namespace quillfen
