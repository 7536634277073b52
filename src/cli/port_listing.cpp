// SPDX-License-Identifier: MIT
#include "cli/port_listing.h"

#include <algorithm>
#include <vector>

#include "serial/local_device.h"
#include "serial/serial_port.h"

namespace quillfen::cli {

namespace {

// Columns padded to their widest cell, two spaces apart.
std::string Table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], row[i].size());
    }
    std::string text;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line.resize(line.size() + widths[i] + 2 - row[i].size(), ' ');
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace

std::string FormatPortListing(const PortNames& names) {
    const std::vector<SerialDeviceEntry>& entries = names.Devices();
    std::string text;
    if (entries.empty()) {
        text = "No serial devices found on this machine.\n";
    } else {
        std::vector<std::vector<std::string>> rows{{"DEVICE", "COM", "DETAILS"}};
        bool anyNumbered = false;
        for (const SerialDeviceEntry& entry : entries) {
            std::string coms;
            for (unsigned com : names.ComNumbersOf(entry.path)) {
                if (!coms.empty()) coms += ",";
                coms += "COM" + std::to_string(com);
            }
            anyNumbered = anyNumbered || !coms.empty();
            // Windows gives a port no kind, only the name Device Manager shows.
            std::string details;
            auto addDetail = [&details](const std::string& detail) {
                if (detail.empty()) return;
                if (!details.empty()) details += ' ';
                details += detail;
            };
            addDetail(entry.kind);
            if (!entry.usbVendor.empty() || !entry.usbProduct.empty()) addDetail(entry.usbVendor + ":" + entry.usbProduct);
            addDetail(entry.description);
            // What an open would meet, found without opening anything.
            OpenError occupied;
            if (DeviceOccupied(entry.path, names.Roots(), occupied)) {
                char words[DetailSize];
                RefusalWords(occupied, words, sizeof words);
                details = std::string(words) + "; " + details;
            }
            rows.push_back({entry.path, coms.empty() ? "-" : coms, details});
        }
        text = Table(rows);
        if (!anyNumbered) {
            text += "None of them has a COM number; give one with --map COMn=DEVICE, QUILLFEN_COMn or the ports file.\n";
        }
    }
    std::vector<UserPort> placed = names.UserPorts();
    if (!placed.empty()) {
        std::vector<std::vector<std::string>> rows{{"COM", "DEVICE", "FROM"}};
        for (const UserPort& port : placed)
            rows.push_back({"COM" + std::to_string(port.comNumber), port.device, port.from});
        text += "\nPlaced by hand:\n" + Table(rows);
    }
    return text;
}

}  // namespace quillfen::cli
