// SPDX-License-Identifier: MIT
#include "serial/ports_file.h"

#include <array>
#include <fstream>

#include "serial/device_name.h"
#include "serial/port_names.h"

namespace quillfen {

namespace {

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) text.remove_suffix(1);
    return text;
}

// Built by appending: GCC 12's MinGW build takes a literal added to a
// temporary for an overlapping copy.
std::string Quoted(std::string_view text) {
    std::string quoted(1, '"');
    quoted.append(ShownName(std::string(text))).push_back('"');
    return quoted;
}

}  // namespace

std::vector<PortsFileEntry> ReadPortsFile(std::string_view text, const std::string& fileName,
                                          std::vector<std::string>& problems) {
    std::vector<PortsFileEntry> entries;
    std::array<unsigned, HighestComNumber + 1> givenOn{};
    // A byte-order mark that a Windows editor may put first is no part of a line.
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    unsigned lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        line = Trimmed(line.substr(0, line.find('#')));
        if (line.empty()) continue;

        auto fail = [&](const std::string& why) {
            problems.push_back(fileName + ", line " + std::to_string(lineNumber) + ": " + why);
        };
        std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) {
            fail(Quoted(line) + " is not of the form COMn = DEVICE");
            continue;
        }
        std::string_view port = Trimmed(line.substr(0, equals));
        std::string device(Trimmed(line.substr(equals + 1)));
        unsigned com = ParseComNumber(port);
        if (com == 0) {
            fail(Quoted(port) + " is not a port from COM1 to COM256");
            continue;
        }
        if (std::string problem = DeviceNameProblem(device); !problem.empty()) {
            fail(Quoted(device) + " names no port: " + problem);
            continue;
        }
        if (givenOn[com] != 0) {
            fail("COM" + std::to_string(com) + " was given already, on line " + std::to_string(givenOn[com]));
            continue;
        }
        givenOn[com] = lineNumber;
        entries.push_back({com, std::move(device), lineNumber});
    }
    return entries;
}

std::vector<PortsFileEntry> LoadPortsFile(const std::string& path, std::vector<std::string>& problems) {
    if (path.empty()) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::string text(PortsFileLimit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > PortsFileLimit) {
        problems.push_back(path + ": larger than 1 MiB, so not a ports file; it is ignored");
        return {};
    }
    return ReadPortsFile(text, path, problems);
}

}  // namespace quillfen
