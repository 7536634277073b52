// SPDX-License-Identifier: MIT
// Where a user's settings live on a POSIX desktop: the XDG base directories.
#include <pwd.h>
#include <unistd.h>

#include <cstdlib>

#include "serial/ports_file.h"

namespace quillfen {

std::string DefaultPortsFile() {
    // A relative XDG_CONFIG_HOME is to be ignored, as the base-directory rules say.
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/quillfen/ports";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.config/quillfen/ports";
    passwd entry;
    passwd* found = nullptr;
    char buffer[4096];
    if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir[0] == '/') {
        return std::string(found->pw_dir) + "/.config/quillfen/ports";
    }
    return {};
}

}  // namespace quillfen
