// The serial devices this machine really has, for `quillfen-cli ports`.
// Owns nothing: it reads /dev and sysfs each time (on Windows, SetupAPI's
// Ports class, with each port's friendly name). A caller may rely on: a
// ttyS port is listed only when a UART stands behind it; USB and Bluetooth
// serial devices are listed as found; each entry names every COM number that
// opens it under the current mappings. An empty list is a normal answer.
#pragma once

#include <string>
#include <vector>

#include "serial/port_names.h"

namespace quillfen::cli {

struct SerialDeviceEntry {
    std::string path;                 // "/dev/ttyUSB0"
    std::vector<unsigned> comNumbers; // the COM numbers that open this device
    std::string kind;                 // "UART 16550A", "USB", "Bluetooth RFCOMM"
    std::string usbVendor;            // "0403", empty when not USB
    std::string usbProduct;           // "6001"
    std::string description;          // manufacturer and product, as sysfs has them
};

// Where the device nodes and their sysfs class entries are; other roots
// serve tests that build a machine of their own.
struct DeviceRoots {
    std::string dev = "/dev";
    std::string ttyClass = "/sys/class/tty";
};

std::vector<SerialDeviceEntry> ListSerialDevices(const PortNames& names, const DeviceRoots& roots = {});

// The listing as text for stdout, with a clear sentence when it is empty.
std::string FormatSerialDevices(const std::vector<SerialDeviceEntry>& entries);

}  // namespace quillfen::cli
