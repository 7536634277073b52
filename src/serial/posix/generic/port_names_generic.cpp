// SPDX-License-Identifier: MIT
#include "serial/port_names.h"

namespace quillfen {

// A POSIX system has no name every COM port goes by (ttyS0 on Linux, ttyu0
// or tty00 on the BSDs, none on macOS): its ports are numbered by discovery,
// the ports file or a mapping, and an unnumbered COMn names no device, so
// opening it fails as a port that cannot be found.
std::string PlatformDeviceName(unsigned, const DeviceRoots&) { return std::string(); }

}  // namespace quillfen
