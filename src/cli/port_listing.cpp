#include "cli/port_listing.h"

#include <algorithm>
#include <vector>

namespace quillfen::cli {

std::string FormatPortListing(const PortNames& names) {
    const std::vector<SerialDeviceEntry>& entries = names.Devices();
    if (entries.empty()) {
        return "No serial devices found on this machine.\n";
    }
    struct Row {
        std::string device, coms, details;
    };
    std::vector<Row> rows{{"DEVICE", "COM", "DETAILS"}};
    bool anyNumbered = false;
    for (const SerialDeviceEntry& entry : entries) {
        Row row{entry.path, {}, {}};
        for (unsigned com : names.ComNumbersOf(entry.path)) {
            if (!row.coms.empty()) row.coms += ",";
            row.coms += "COM" + std::to_string(com);
        }
        anyNumbered = anyNumbered || !row.coms.empty();
        if (row.coms.empty()) row.coms = "-";
        // Windows gives a port no kind, only the name Device Manager shows.
        auto addDetail = [&row](const std::string& detail) {
            if (detail.empty()) return;
            if (!row.details.empty()) row.details += ' ';
            row.details += detail;
        };
        addDetail(entry.kind);
        if (!entry.usbVendor.empty() || !entry.usbProduct.empty()) addDetail(entry.usbVendor + ":" + entry.usbProduct);
        addDetail(entry.description);
        rows.push_back(std::move(row));
    }
    std::size_t deviceWidth = 0;
    std::size_t comWidth = 0;
    for (const Row& row : rows) {
        deviceWidth = std::max(deviceWidth, row.device.size());
        comWidth = std::max(comWidth, row.coms.size());
    }
    std::string text;
    for (const Row& row : rows) {
        std::string line = row.device;
        line.resize(deviceWidth + 2, ' ');
        line += row.coms;
        line.resize(deviceWidth + 2 + comWidth + 2, ' ');
        line += row.details;
        text += line + "\n";
    }
    if (!anyNumbered) {
        text += "None of them has a COM number; give one with --map COMn=DEVICE or QUILLFEN_COMn.\n";
    }
    return text;
}

}  // namespace quillfen::cli
