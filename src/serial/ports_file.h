// SPDX-License-Identifier: MIT
// The ports file: which device stands behind a COM number, kept by the user
// for every front end. One line per port, "COM5 = rfc2217://fax-ts1:7001" or
// "COM2 = /dev/ttyUSB3"; '#' starts a comment. A line that cannot be used is
// reported once, with the file's name and the line's number, and skipped;
// the rest still count. The file lives where the platform keeps a user's
// settings (DefaultPortsFile).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillfen {

// A ports file is a few lines; anything larger is not one.
inline constexpr std::size_t PortsFileLimit = 1 << 20;

struct PortsFileEntry {
    unsigned comNumber = 0;
    std::string device;
    unsigned line = 0;
};

// The entries of a ports file's text; each line that cannot be used adds
// "FILE, line N: why" to problems.
std::vector<PortsFileEntry> ReadPortsFile(std::string_view text, const std::string& fileName,
                                          std::vector<std::string>& problems);

// The same for the file on disk. A file that is not there is no problem:
// most users never write one.
std::vector<PortsFileEntry> LoadPortsFile(const std::string& path, std::vector<std::string>& problems);

// Where this user's ports file is: $XDG_CONFIG_HOME/quillfen/ports (by
// default ~/.config/quillfen/ports) on Linux, %APPDATA%\Quillfen\ports.txt
// on Windows. Empty when the platform gives no place for it.
std::string DefaultPortsFile();

}  // namespace quillfen
