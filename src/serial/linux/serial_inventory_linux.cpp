// SPDX-License-Identifier: MIT
// Finds serial devices through /dev and sysfs, the way udev describes them.
// Nothing here opens a device: opening a UART raises its modem lines, and the
// port may be a console or belong to another program.
#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

#include "serial/serial_inventory.h"

namespace quillfen {
namespace {

namespace fs = std::filesystem;

struct FamilyPrefix {
    std::string_view prefix;
    DeviceFamily family;
};

// Listed, and given COM numbers, in this order; within a family by number.
constexpr std::array<FamilyPrefix, 4> Families{{
    {"ttyS", DeviceFamily::Uart},
    {"ttyACM", DeviceFamily::Acm},
    {"ttyUSB", DeviceFamily::Usb},
    {"rfcomm", DeviceFamily::Rfcomm},
}};

// The kernel's UART type numbers (linux/serial.h) that a reader recognises.
struct UartName {
    int type;
    std::string_view name;
};
constexpr std::array<UartName, 18> UartNames{{
    {1, "8250"},     {2, "16450"},    {3, "16550"},    {4, "16550A"},  {5, "Cirrus"},
    {6, "16650"},    {7, "16650V2"},  {8, "16750"},    {9, "Startech"}, {10, "16C950"},
    {11, "16654"},   {12, "16850"},   {13, "RSA"},     {14, "NS16550A"}, {15, "XScale"},
    {16, "RM9000"},  {17, "OCTEON"},  {18, "AR7"},
}};

// Sysfs attributes are short; more than this is not an attribute we can show.
constexpr std::size_t AttributeLimit = 128;
// More digits than this name no device the kernel makes.
constexpr std::size_t DeviceNumberDigits = 6;
// How far above a tty's sysfs device its USB device may stand.
constexpr int UsbAncestorLevels = 4;

// One line of a sysfs attribute, cut to fit and with anything unprintable
// replaced, since it ends up on a terminal and in a tooltip.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    char buffer[AttributeLimit] = {};
    in.read(buffer, sizeof buffer - 1);
    std::string text(buffer, static_cast<std::size_t>(in.gcount()));
    std::size_t end = text.find('\n');
    if (end != std::string::npos) text.resize(end);
    for (char& c : text) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = '?';
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

// The number after the family prefix, or -1 when the rest is not all digits.
long DeviceNumber(std::string_view name, std::string_view prefix) {
    if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return -1;
    std::string_view digits = name.substr(prefix.size());
    if (digits.size() > DeviceNumberDigits) return -1;
    long number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc() || end != digits.data() + digits.size()) return -1;
    return number;
}

// The UART type behind a ttyS port as the serial core publishes it: 0 when
// there is none (PORT_UNKNOWN), -1 when the tree does not say.
int UartType(const fs::path& classDir) {
    std::string text = ReadAttribute(classDir / "type");
    int type = -1;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), type);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return -1;
    return type;
}

std::string UartText(int type) {
    for (const UartName& entry : UartNames) {
        if (entry.type == type) return "UART " + std::string(entry.name);
    }
    return "UART type " + std::to_string(type);
}

// The USB device above a tty: the first ancestor of its sysfs device that has
// idVendor (an interface for ttyACM, a usb-serial port for ttyUSB).
void AddUsbDetails(const fs::path& classDir, SerialDeviceEntry& entry) {
    std::error_code ec;
    fs::path device = fs::canonical(classDir / "device", ec);
    if (ec) return;
    for (int level = 0; level < UsbAncestorLevels && device.has_parent_path();
         ++level, device = device.parent_path()) {
        if (!fs::exists(device / "idVendor", ec)) continue;
        entry.usbVendor = ReadAttribute(device / "idVendor");
        entry.usbProduct = ReadAttribute(device / "idProduct");
        std::string maker = ReadAttribute(device / "manufacturer");
        std::string product = ReadAttribute(device / "product");
        entry.description = maker.empty() ? product : product.empty() ? maker : maker + " " + product;
        return;
    }
}

}  // namespace

std::vector<SerialDeviceEntry> ListSerialDevices(const DeviceRoots& roots) {
    struct Found {
        std::size_t family;
        long number;
        std::string name;
    };
    std::vector<Found> found;
    std::error_code ec;
    for (fs::directory_iterator it(roots.dev, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        for (std::size_t family = 0; family < Families.size(); ++family) {
            long number = DeviceNumber(name, Families[family].prefix);
            if (number >= 0) found.push_back({family, number, name});
        }
    }
    std::sort(found.begin(), found.end(), [](const Found& a, const Found& b) {
        return a.family != b.family ? a.family < b.family : a.number < b.number;
    });

    const fs::path ttyClass = fs::path(roots.sys) / "class" / "tty";
    std::vector<SerialDeviceEntry> entries;
    for (const Found& device : found) {
        SerialDeviceEntry entry;
        entry.path = (fs::path(roots.dev) / device.name).string();
        entry.family = Families[device.family].family;
        entry.number = static_cast<unsigned>(device.number);
        fs::path classDir = ttyClass / device.name;
        // Only the families of the prefix table come here.
        if (entry.family == DeviceFamily::Uart) {
            int type = UartType(classDir);
            if (type <= 0) continue;  // a ttyS node with no UART behind it
            entry.kind = UartText(type);
        } else if (entry.family == DeviceFamily::Rfcomm) {
            entry.kind = "Bluetooth RFCOMM";
        } else {
            entry.kind = "USB";
            AddUsbDetails(classDir, entry);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

}  // namespace quillfen
