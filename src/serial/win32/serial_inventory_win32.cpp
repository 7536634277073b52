// SPDX-License-Identifier: MIT
// The machine's COM ports as Windows knows them: every port in the
// registry's SERIALCOMM map, named by what Device Manager shows for it. A
// USB or PCI modem is listed under Modems, not Ports, with its port in
// PortName (or AttachedTo, for a modem on a COM port), and its name is the
// one a user recognises, so it wins over the port's. Names are read as
// UTF-16 and kept as UTF-8. Nothing is opened to find the ports.
#include <windows.h>
#include <setupapi.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cwchar>
#include <iterator>

#include "serial/port_names.h"
#include "serial/serial_inventory.h"

namespace quillfen {
namespace {

// The device setup classes "Ports (COM & LPT)" and "Modems".
constexpr GUID PortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};
constexpr GUID ModemClass = {0x4d36e96d, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// Registry strings are short; more than this is not a name we can show.
constexpr DWORD NameLimit = 256;

// Where each class keeps the port of its devices, in the order asked.
struct PortValue {
    DWORD key;  // DIREG_DEV or DIREG_DRV
    const wchar_t* name;
};
constexpr PortValue PortsPortValues[] = {{DIREG_DEV, L"PortName"}};
constexpr PortValue ModemPortValues[] = {
    {DIREG_DEV, L"PortName"}, {DIREG_DRV, L"AttachedTo"}, {DIREG_DRV, L"PortName"}};

struct DeviceClass {
    const GUID* guid;
    const PortValue* values;
    std::size_t valueCount;
};
// Later rows name a port over earlier ones: a modem's own name says more
// than "USB Serial Device".
constexpr DeviceClass NamingClasses[] = {
    {&PortsClass, PortsPortValues, std::size(PortsPortValues)},
    {&ModemClass, ModemPortValues, std::size(ModemPortValues)},
};

// UTF-8 of at most length UTF-16 units, which end at the first NUL.
// Control characters become '?': the text ends up on a console.
std::string Utf8(const wchar_t* text, std::size_t length) {
    const int units = static_cast<int>(wcsnlen(text, length));
    char bytes[NameLimit * 3];
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, units, bytes, sizeof bytes, nullptr, nullptr);
    std::string shown(bytes, size > 0 ? static_cast<std::size_t>(size) : 0);
    for (char& c : shown) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
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

// A string value of an open key, or empty.
std::string StringValue(HKEY key, const wchar_t* name) {
    wchar_t value[NameLimit] = {};
    DWORD size = sizeof value - sizeof value[0];
    DWORD type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    return Utf8(value, size / sizeof value[0]);
}

// Adds COMn to the list unless it is there; returns its entry.
SerialDeviceEntry& EntryFor(std::vector<SerialDeviceEntry>& entries, unsigned number) {
    for (SerialDeviceEntry& entry : entries) {
        if (entry.number == number - 1) return entry;
    }
    SerialDeviceEntry& entry = entries.emplace_back();
    entry.path = "\\\\.\\COM" + std::to_string(number);
    entry.family = DeviceFamily::Uart;
    entry.number = number - 1;
    return entry;
}

// Every port the serial drivers have announced, however Device Manager
// files their devices.
void AddSerialCommPorts(std::vector<SerialDeviceEntry>& entries) {
    HKEY map = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0, KEY_READ, &map) != ERROR_SUCCESS)
        return;
    for (DWORD index = 0;; ++index) {
        wchar_t device[NameLimit] = {};
        DWORD deviceLength = NameLimit;
        wchar_t port[NameLimit] = {};
        DWORD size = sizeof port - sizeof port[0];
        DWORD type = 0;
        const LONG read = RegEnumValueW(map, index, device, &deviceLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(port), &size);
        if (read == ERROR_NO_MORE_ITEMS) break;
        if (read != ERROR_SUCCESS || type != REG_SZ) continue;
        if (unsigned number = ComNumberOf(Utf8(port, size / sizeof port[0]))) EntryFor(entries, number);
    }
    RegCloseKey(map);
}

// The port a device of the class sits on, or 0.
unsigned PortOf(HDEVINFO devices, SP_DEVINFO_DATA& device, const DeviceClass& deviceClass) {
    for (std::size_t at = 0; at < deviceClass.valueCount; ++at) {
        const PortValue& value = deviceClass.values[at];
        HKEY key = SetupDiOpenDevRegKey(devices, &device, DICS_FLAG_GLOBAL, 0, value.key, KEY_READ);
        if (key == INVALID_HANDLE_VALUE) continue;
        const unsigned number = ComNumberOf(StringValue(key, value.name));
        RegCloseKey(key);
        if (number != 0) return number;
    }
    return 0;
}

std::string DeviceName(HDEVINFO devices, SP_DEVINFO_DATA& device) {
    for (DWORD property : {SPDRP_FRIENDLYNAME, SPDRP_DEVICEDESC}) {
        wchar_t name[NameLimit] = {};
        if (SetupDiGetDeviceRegistryPropertyW(devices, &device, property, nullptr, reinterpret_cast<BYTE*>(name),
                                              sizeof name - sizeof name[0], nullptr))
            return Utf8(name, NameLimit);
    }
    return {};
}

void AddNamedPorts(std::vector<SerialDeviceEntry>& entries, const DeviceClass& deviceClass) {
    HDEVINFO devices = SetupDiGetClassDevsW(deviceClass.guid, nullptr, nullptr, DIGCF_PRESENT);
    if (devices == INVALID_HANDLE_VALUE) return;
    SP_DEVINFO_DATA device{};
    device.cbSize = sizeof device;
    for (DWORD index = 0; SetupDiEnumDeviceInfo(devices, index, &device); ++index) {
        const unsigned number = PortOf(devices, device, deviceClass);
        if (number == 0) continue;
        std::string name = DeviceName(devices, device);
        SerialDeviceEntry& entry = EntryFor(entries, number);
        if (!name.empty()) entry.description = std::move(name);
    }
    SetupDiDestroyDeviceInfoList(devices);
}

}  // namespace

// Windows names each port by its COM number, so each keeps its number, as a
// UART does on Linux; the roots of a Linux machine mean nothing here.
std::vector<SerialDeviceEntry> ListSerialDevices(const DeviceRoots&) {
    std::vector<SerialDeviceEntry> entries;
    AddSerialCommPorts(entries);
    for (const DeviceClass& deviceClass : NamingClasses) AddNamedPorts(entries, deviceClass);
    std::sort(entries.begin(), entries.end(),
              [](const SerialDeviceEntry& a, const SerialDeviceEntry& b) { return a.number < b.number; });
    return entries;
}

}  // namespace quillfen
