#include "cli/serial_inventory.h"

#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <string_view>

namespace quillfen::cli {
namespace {

namespace fs = std::filesystem;

enum class Family { Uart, Usb, Acm, Rfcomm };

struct DeviceFamily {
    std::string_view prefix;
    Family family;
};

// Listed in this order; within a family by number.
constexpr std::array<DeviceFamily, 4> Families{{
    {"ttyS", Family::Uart},
    {"ttyUSB", Family::Usb},
    {"ttyACM", Family::Acm},
    {"rfcomm", Family::Rfcomm},
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

// One line of a sysfs attribute, cut to fit and with anything unprintable
// replaced, since it ends up on a terminal.
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
    if (digits.size() > 6) return -1;
    long number = 0;
    auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
    if (ec != std::errc() || end != digits.data() + digits.size()) return -1;
    return number;
}

// The UART type behind a ttyS port: 0 when none (PORT_UNKNOWN), -1 when it
// cannot be told. The ioctl is asked first; sysfs answers for a port we may
// not open (no permission, or held exclusively by another program).
int UartType(const std::string& path, const fs::path& classDir) {
    int fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd >= 0) {
        serial_struct info{};
        int rc = ioctl(fd, TIOCGSERIAL, &info);
        close(fd);
        if (rc == 0) return info.type;
    }
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
    for (int level = 0; level < 4 && device.has_parent_path(); ++level, device = device.parent_path()) {
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

std::vector<SerialDeviceEntry> ListSerialDevices(const PortNames& names, const DeviceRoots& roots) {
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

    // Which device each COM number opens now, resolved once so symlinks such
    // as /dev/serial/by-id/... match the device they point at.
    std::vector<std::string> comTargets(HighestComNumber + 1);
    for (unsigned com = 1; com <= HighestComNumber; ++com) {
        std::error_code ignored;
        fs::path target = fs::weakly_canonical(names.DeviceFor(com), ignored);
        comTargets[com] = ignored ? names.DeviceFor(com) : target.string();
    }

    std::vector<SerialDeviceEntry> entries;
    for (const Found& device : found) {
        SerialDeviceEntry entry;
        entry.path = (fs::path(roots.dev) / device.name).string();
        fs::path classDir = fs::path(roots.ttyClass) / device.name;
        Family family = Families[device.family].family;
        if (family == Family::Uart) {
            int type = UartType(entry.path, classDir);
            if (type <= 0) continue;  // a ttyS node with no UART behind it
            entry.kind = UartText(type);
        } else if (family == Family::Rfcomm) {
            entry.kind = "Bluetooth RFCOMM";
        } else {
            entry.kind = "USB";
            AddUsbDetails(classDir, entry);
        }
        std::error_code ignored;
        fs::path canonical = fs::weakly_canonical(entry.path, ignored);
        std::string resolved = ignored ? entry.path : canonical.string();
        for (unsigned com = 1; com <= HighestComNumber; ++com) {
            if (comTargets[com] == resolved) entry.comNumbers.push_back(com);
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string FormatSerialDevices(const std::vector<SerialDeviceEntry>& entries) {
    if (entries.empty()) {
        return "No serial devices found: this machine has no ttyS port with a UART and no\n"
               "ttyUSB, ttyACM or rfcomm device. Try the simulator: quillfen-cli --sim fax test\n";
    }
    struct Row {
        std::string device, coms, details;
    };
    std::vector<Row> rows{{"DEVICE", "COM", "DETAILS"}};
    for (const SerialDeviceEntry& entry : entries) {
        Row row{entry.path, {}, entry.kind};
        for (unsigned com : entry.comNumbers) {
            if (!row.coms.empty()) row.coms += ",";
            row.coms += "COM" + std::to_string(com);
        }
        if (row.coms.empty()) row.coms = "-";
        if (!entry.usbVendor.empty() || !entry.usbProduct.empty()) {
            row.details += " " + entry.usbVendor + ":" + entry.usbProduct;
        }
        if (!entry.description.empty()) row.details += " " + entry.description;
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
    if (std::none_of(entries.begin(), entries.end(), [](const SerialDeviceEntry& e) { return !e.comNumbers.empty(); })) {
        text += "None of them has a COM number yet; give one with --map COMn=DEVICE or QUILLFEN_COMn.\n";
    }
    return text;
}

}  // namespace quillfen::cli
