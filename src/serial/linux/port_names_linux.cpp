// SPDX-License-Identifier: MIT
#include <cstdio>

#include "serial/port_names.h"

namespace quillfen {

// COM1 is the first UART, ttyS0. A number outside 1 to 256 names no device,
// so opening it fails as a port that cannot be found.
std::string PlatformDeviceName(unsigned comNumber, const DeviceRoots& roots) {
    if (comNumber < 1 || comNumber > HighestComNumber) return std::string();
    char name[32];
    std::snprintf(name, sizeof name, "/ttyS%u", comNumber - 1);
    return roots.dev + name;
}

}  // namespace quillfen
