// SPDX-License-Identifier: MIT
#include <cstdio>

#include "serial/port_names.h"

namespace quillfen {

// Every COM number, 1 to 256, opens through the same device-name form. A
// number outside that range names no device, so opening it fails as a port
// that cannot be found.
std::string PlatformDeviceName(unsigned comNumber, const DeviceRoots&) {
    if (comNumber < 1 || comNumber > HighestComNumber) return std::string();
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\COM%u", comNumber);
    return name;
}

}  // namespace quillfen
