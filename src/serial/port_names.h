// SPDX-License-Identifier: MIT
// Which device stands behind each COM number.
// A mapping given by the user (--map) wins over the environment variable
// QUILLFEN_COMn, which wins over the ports file, which wins over the number
// the machine's own devices were given by Discover, which wins over the
// platform's plain name for the port. Names are checked where they enter: a
// mapping or a ports-file line that names no port is refused; an unusable
// QUILLFEN_COMn is reported by EnvironmentProblems and is never replaced by
// another device (opening it fails, naming it).
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "serial/serial_inventory.h"

namespace quillfen {

inline constexpr unsigned HighestComNumber = 256;

// "COM7", "com7" or "7" to 7; 0 when the text names no port from COM1 to COM256.
unsigned ParseComNumber(std::string_view text);

// Where the user placed a device behind a COM number.
enum class PortSource { Mapping, Environment, PortsFile };

struct UserPort {
    unsigned comNumber = 0;
    std::string device;
    PortSource source = PortSource::Mapping;
    std::string from;  // "--map", "QUILLFEN_COM5", "/home/ann/.config/quillfen/ports, line 3"
};

class PortNames {
public:
    explicit PortNames(DeviceRoots roots = {});

    // Map COMn (1 to 256) to a device path; false for a number out of range
    // or an empty path.
    bool Map(unsigned comNumber, const std::string& device);

    // Reads a ports file (see ports_file.h); its unusable lines are skipped
    // and kept in PortsFileProblems, one text each, for the user to hear once.
    void UsePortsFile(const std::string& path);
    const std::vector<std::string>& PortsFileProblems() const { return portsFileProblems_; }

    // Each QUILLFEN_COMn in force (not overridden by a mapping) whose value
    // names no port: "QUILLFEN_COM1 names no port: it is 5000 characters long; ...".
    std::vector<std::string> EnvironmentProblems() const;

    // Every COM number the user placed a device behind, lowest first, with
    // where the winning choice came from.
    std::vector<UserPort> UserPorts() const;

    // Finds the machine's serial devices and numbers them: a ttyS port with a
    // UART keeps its own number (ttyS0 is COM1); the others, in the order
    // listed, take the lowest numbers nobody holds. A device the user has
    // placed with a mapping gets no second number.
    void Discover();

    // The device to open for COMn.
    std::string DeviceFor(unsigned comNumber) const;
    // The device for COMn with what it is, when Discover found it:
    // "/dev/ttyACM0 (Conexant USB Modem)"; the plain path otherwise.
    std::string Describe(unsigned comNumber) const;
    // Every COM number that opens this device, links resolved.
    std::vector<unsigned> ComNumbersOf(const std::string& device) const;

    const DeviceRoots& Roots() const { return roots_; }
    // What the last Discover found, in numbering order.
    const std::vector<SerialDeviceEntry>& Devices() const { return devices_; }

private:
    // The user's own choice for COMn (mapping, environment or ports file),
    // or empty; source says which.
    std::string UserChoice(unsigned comNumber, PortSource* source = nullptr) const;

    DeviceRoots roots_;
    std::array<std::string, HighestComNumber + 1> overrides_{};
    std::array<std::string, HighestComNumber + 1> fromFile_{};
    std::array<unsigned, HighestComNumber + 1> fileLine_{};
    std::string portsFile_;
    std::vector<std::string> portsFileProblems_;
    std::array<std::string, HighestComNumber + 1> discovered_{};
    std::vector<SerialDeviceEntry> devices_;
};

// The platform's plain device for COMn under the given /dev ("/dev/ttyS0"
// for COM1 on Linux); empty where the system has no such name.
std::string PlatformDeviceName(unsigned comNumber, const DeviceRoots& roots = DeviceRoots{});

}  // namespace quillfen
