// SPDX-License-Identifier: MIT
// Where a user's settings live on Windows: the roaming application data.
#include <cstdlib>

#include "serial/ports_file.h"

namespace quillfen {

std::string DefaultPortsFile() {
    const char* appData = std::getenv("APPDATA");
    if (!appData || appData[0] == '\0') return {};
    return std::string(appData) + "\\Quillfen\\ports.txt";
}

}  // namespace quillfen
