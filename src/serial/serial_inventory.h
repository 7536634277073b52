// SPDX-License-Identifier: MIT
// The serial devices this machine really has, found without set-up.
// Owns nothing: it reads the machine's device tree each time it is asked.
// A caller may rely on: no device is opened to find out; the list comes in
// the order in which COM numbers are handed out. An empty list is a normal
// answer. On Linux a ttyS port is listed only when a UART stands behind it,
// then USB and Bluetooth serial devices as found (ttyS, ttyACM, ttyUSB,
// rfcomm, each by number); Windows lists the ports it knows; any other POSIX
// system lists its terminals (/dev/tty*) by name, as Terminal.
#pragma once

#include <string>
#include <vector>

namespace quillfen {

// Where the machine describes its devices, its processes and its port locks.
// Tests point these at a tree of their own.
struct DeviceRoots {
    std::string sys = "/sys";
    std::string dev = "/dev";
    std::string proc = "/proc";
    std::string lock = "/var/lock";
};

enum class DeviceFamily { Uart, Acm, Usb, Rfcomm, Terminal };

struct SerialDeviceEntry {
    std::string path;          // "/dev/ttyACM0"
    DeviceFamily family = DeviceFamily::Uart;
    unsigned number = 0;       // 0 for ttyACM0
    std::string kind;          // "UART 16550A", "USB", "Bluetooth RFCOMM", "terminal"
    std::string usbVendor;     // "0572", empty when not USB
    std::string usbProduct;    // "1329"
    std::string description;   // maker and product, as the device names them
};

std::vector<SerialDeviceEntry> ListSerialDevices(const DeviceRoots& roots);

}  // namespace quillfen
