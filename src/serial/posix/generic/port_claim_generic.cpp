// SPDX-License-Identifier: MIT
// What any POSIX system tells about a device before it is opened, without a
// process table to read: the system console and the controlling-terminal
// alias are refused; another holder is kept out at the open by flock, the
// exclusive flag and the lock files.
#include <sys/stat.h>

#include "serial/posix/port_claim.h"

namespace quillfen::posix {
namespace {

// The system's own terminals, under the device directory the roots name.
constexpr const char* SystemTerminals[] = {"/console", "/tty"};

}  // namespace

bool OccupiedElsewhere(const std::string& device, const DeviceRoots& roots, OpenError& error) {
    struct stat info;
    // Not there or not a character device: the open says what is wrong.
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    for (const char* terminal : SystemTerminals) {
        struct stat system;
        if (stat((roots.dev + terminal).c_str(), &system) == 0 && S_ISCHR(system.st_mode) &&
            system.st_rdev == info.st_rdev) {
            return Refuse(error, Occupier::Console, 0, roots);
        }
    }
    return false;
}

// POSIX has no call that reads the exclusive flag back.
bool ExclusiveElsewhere(int) { return false; }

void HolderName(long, const DeviceRoots&, char* name, std::size_t size) {
    if (size > 0) name[0] = '\0';
}

}  // namespace quillfen::posix
