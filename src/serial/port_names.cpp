#include "serial/port_names.h"

#include <cstdio>
#include <cstdlib>

namespace quillfen {

namespace {

// Longer device names than this are not taken from the environment or a
// mapping: no system's path limit allows them.
constexpr std::size_t DeviceNameLimit = 4095;

bool InRange(unsigned comNumber) { return comNumber >= 1 && comNumber <= HighestComNumber; }

bool Acceptable(const std::string& device) {
    return !device.empty() && device.size() <= DeviceNameLimit && device.find('\0') == std::string::npos;
}

}  // namespace

bool PortNames::Map(unsigned comNumber, const std::string& device) {
    if (!InRange(comNumber) || !Acceptable(device)) return false;
    overrides_[comNumber] = device;
    return true;
}

std::string PortNames::DeviceFor(unsigned comNumber) const {
    if (!InRange(comNumber)) return PlatformDeviceName(comNumber);
    if (!overrides_[comNumber].empty()) return overrides_[comNumber];

    char variable[32];
    std::snprintf(variable, sizeof variable, "QUILLFEN_COM%u", comNumber);
    if (const char* fromEnvironment = std::getenv(variable)) {
        std::string device(fromEnvironment);
        if (Acceptable(device)) return device;
    }
    return PlatformDeviceName(comNumber);
}

}  // namespace quillfen
