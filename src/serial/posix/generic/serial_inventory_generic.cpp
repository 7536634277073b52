// SPDX-License-Identifier: MIT
// Finds serial devices on a POSIX system without a device tree to read: the
// terminals in /dev by name (tty*), apart from the system's own. Nothing here
// opens a device, so nothing tells a modem's port from a pseudo-terminal or
// an unused UART: the list is what the system offers, for the user to pick.
#include <sys/stat.h>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <string_view>
#include <tuple>

#include "serial/posix/port_claim.h"
#include "serial/serial_inventory.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view TerminalPrefix = "tty";
// More digits than this name no device a system makes.
constexpr std::size_t DeviceNumberDigits = 6;

// "ttyu12" as ("ttyu", 12): names sort by stem, then by number, so ttyu2
// comes before ttyu10.
struct SortKey {
    std::string stem;
    unsigned number = 0;
    bool operator<(const SortKey& other) const {
        return std::tie(stem, number) < std::tie(other.stem, other.number);
    }
};

SortKey KeyOf(const std::string& name) {
    std::size_t digits = name.size();
    while (digits > 0 && name[digits - 1] >= '0' && name[digits - 1] <= '9') --digits;
    SortKey key{name.substr(0, digits), 0};
    if (name.size() - digits <= DeviceNumberDigits) {
        std::from_chars(name.data() + digits, name.data() + name.size(), key.number);
    } else {
        key.stem = name;
    }
    return key;
}

}  // namespace

std::vector<SerialDeviceEntry> ListSerialDevices(const DeviceRoots& roots) {
    std::vector<std::pair<SortKey, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(roots.dev, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() <= TerminalPrefix.size() || name.compare(0, TerminalPrefix.size(), TerminalPrefix) != 0) {
            continue;
        }
        std::string path = it->path().string();
        struct stat info;
        if (stat(path.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) continue;
        OpenError console;
        if (posix::OccupiedElsewhere(path, roots, console)) continue;
        found.emplace_back(KeyOf(name), std::move(path));
    }
    std::sort(found.begin(), found.end());

    std::vector<SerialDeviceEntry> entries;
    for (auto& [key, path] : found) {
        SerialDeviceEntry entry;
        entry.path = std::move(path);
        entry.family = DeviceFamily::Terminal;
        entry.number = key.number;
        entry.kind = "terminal";
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace quillfen
