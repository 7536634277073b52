// The machine's COM ports as Windows' device manager knows them: the Ports
// class from SetupAPI, with each port's name and friendly name.
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "cli/serial_inventory.h"

namespace quillfen::cli {
namespace {

// The device setup class "Ports (COM & LPT)".
constexpr GUID PortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Registry strings are short; more than this is not a name we can show.
constexpr DWORD NameLimit = 256;

// Printable text only: it ends up on a console.
std::string Printable(const char* text, std::size_t length) {
    std::string shown(text, strnlen(text, length));
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7e) c = '?';
    }
    return shown;
}

// 7 for "COM7", 0 for anything else (LPT1, a bad entry).
unsigned ComNumberOf(const std::string& portName) {
    if (portName.size() < 4 || portName.size() > 6) return 0;
    if (std::toupper(static_cast<unsigned char>(portName[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(portName[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(portName[2])) != 'M')
        return 0;
    for (std::size_t at = 3; at < portName.size(); ++at) {
        if (!std::isdigit(static_cast<unsigned char>(portName[at]))) return 0;
    }
    unsigned long number = std::strtoul(portName.c_str() + 3, nullptr, 10);
    return number >= 1 && number <= HighestComNumber ? static_cast<unsigned>(number) : 0;
}

bool SameDevice(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::toupper(static_cast<unsigned char>(x)) == std::toupper(static_cast<unsigned char>(y));
           });
}

}  // namespace

std::vector<SerialDeviceEntry> ListSerialDevices(const PortNames& names, const DeviceRoots&) {
    std::vector<SerialDeviceEntry> entries;
    HDEVINFO devices = SetupDiGetClassDevsA(&PortsClass, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return entries;

    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        char portName[NameLimit] = {};
        DWORD size = sizeof portName - 1;
        DWORD type = 0;
        LONG read = RegQueryValueExA(key, "PortName", nullptr, &type, reinterpret_cast<BYTE*>(portName), &size);
        RegCloseKey(key);
        if (read != ERROR_SUCCESS || type != REG_SZ) continue;
        std::string port = Printable(portName, sizeof portName);
        unsigned number = ComNumberOf(port);
        if (number == 0) continue;

        SerialDeviceEntry entry;
        entry.path = "\\\\.\\" + port;
        char friendly[NameLimit] = {};
        if (SetupDiGetDeviceRegistryPropertyA(devices, &device, SPDRP_FRIENDLYNAME, nullptr,
                                              reinterpret_cast<BYTE*>(friendly), sizeof friendly - 1, nullptr)) {
            entry.description = Printable(friendly, sizeof friendly);
        }
        // Under a mapping another COM number may open this port too.
        for (unsigned com = 1; com <= HighestComNumber; ++com) {
            if (SameDevice(names.DeviceFor(com), entry.path)) entry.comNumbers.push_back(com);
        }
        entries.push_back(std::move(entry));
    }
    SetupDiDestroyDeviceInfoList(devices);
    std::sort(entries.begin(), entries.end(), [](const SerialDeviceEntry& a, const SerialDeviceEntry& b) {
        return ComNumberOf(a.path.substr(4)) < ComNumberOf(b.path.substr(4));
    });
    return entries;
}

std::string FormatSerialDevices(const std::vector<SerialDeviceEntry>& entries) {
    if (entries.empty()) {
        return "No COM ports found: Windows lists no serial port on this machine.\n";
    }
    std::size_t deviceWidth = 6;
    for (const SerialDeviceEntry& entry : entries) deviceWidth = std::max(deviceWidth, entry.path.size());
    std::string text = "DEVICE";
    text.resize(deviceWidth + 2, ' ');
    text += "COM      NAME\n";
    for (const SerialDeviceEntry& entry : entries) {
        std::string line = entry.path;
        line.resize(deviceWidth + 2, ' ');
        std::string coms;
        for (unsigned com : entry.comNumbers) coms += (coms.empty() ? "COM" : ",COM") + std::to_string(com);
        line += coms.empty() ? "-" : coms;
        line.resize(std::max(line.size() + 1, deviceWidth + 2 + 9), ' ');
        line += entry.description;
        text += line + "\n";
    }
    return text;
}

}  // namespace quillfen::cli
