// SPDX-License-Identifier: MIT
#include "serial/port_names.h"

#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "serial/device_name.h"
#include "serial/ports_file.h"

namespace quillfen {

namespace {

bool InRange(unsigned comNumber) { return comNumber >= 1 && comNumber <= HighestComNumber; }

std::string VariableFor(unsigned comNumber) { return "QUILLFEN_COM" + std::to_string(comNumber); }

// The device a name finally leads to, so /dev/modem and /dev/serial/by-id/...
// match the node they point at. A network port is only ever itself.
std::string Resolved(const std::string& device) {
    NetworkAddress address;
    std::string problem;
    if (ReadDeviceName(device, address, problem) != NameForm::Local) return device;
    std::error_code ec;
    std::filesystem::path target = std::filesystem::weakly_canonical(device, ec);
    return ec ? device : target.string();
}

}  // namespace

PortNames::PortNames(DeviceRoots roots) : roots_(std::move(roots)) {}

unsigned ParseComNumber(std::string_view text) {
    if (text.size() > 3 && (text[0] == 'C' || text[0] == 'c') && (text[1] == 'O' || text[1] == 'o') &&
        (text[2] == 'M' || text[2] == 'm')) {
        text.remove_prefix(3);
    }
    if (text.empty() || text.size() > 3) return 0;
    unsigned number = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (ec != std::errc() || end != text.data() + text.size()) return 0;
    if (number < 1 || number > HighestComNumber) return 0;
    return number;
}

bool PortNames::Map(unsigned comNumber, const std::string& device) {
    if (!InRange(comNumber) || !DeviceNameProblem(device).empty()) return false;
    overrides_[comNumber] = device;
    return true;
}

void PortNames::UsePortsFile(const std::string& path) {
    portsFile_ = path;
    portsFileProblems_.clear();
    for (std::string& device : fromFile_) device.clear();
    for (const PortsFileEntry& entry : LoadPortsFile(path, portsFileProblems_)) {
        fromFile_[entry.comNumber] = entry.device;
        fileLine_[entry.comNumber] = entry.line;
    }
}

std::string PortNames::UserChoice(unsigned comNumber, PortSource* source) const {
    if (!InRange(comNumber)) return {};
    auto from = [source](PortSource where) {
        if (source) *source = where;
    };
    if (!overrides_[comNumber].empty()) {
        from(PortSource::Mapping);
        return overrides_[comNumber];
    }
    // Whatever the variable holds stands for the port, usable or not: a
    // name that cannot be opened fails as such, and never opens another
    // device in its place. An empty variable is one that is not set.
    const char* fromEnvironment = std::getenv(VariableFor(comNumber).c_str());
    if (fromEnvironment && fromEnvironment[0] != '\0') {
        from(PortSource::Environment);
        return fromEnvironment;
    }
    if (!fromFile_[comNumber].empty()) {
        from(PortSource::PortsFile);
        return fromFile_[comNumber];
    }
    return {};
}

std::vector<std::string> PortNames::EnvironmentProblems() const {
    std::vector<std::string> problems;
    for (unsigned com = 1; com <= HighestComNumber; ++com) {
        PortSource source = PortSource::Mapping;
        std::string choice = UserChoice(com, &source);
        if (source != PortSource::Environment) continue;
        if (std::string problem = DeviceNameProblem(choice); !problem.empty())
            problems.push_back(VariableFor(com) + " names no port: " + problem);
    }
    return problems;
}

std::vector<UserPort> PortNames::UserPorts() const {
    std::vector<UserPort> ports;
    for (unsigned com = 1; com <= HighestComNumber; ++com) {
        UserPort port;
        port.device = UserChoice(com, &port.source);
        if (port.device.empty()) continue;
        port.comNumber = com;
        switch (port.source) {
        case PortSource::Mapping: port.from = "--map"; break;
        case PortSource::Environment: port.from = VariableFor(com); break;
        case PortSource::PortsFile: port.from = portsFile_ + ", line " + std::to_string(fileLine_[com]); break;
        }
        ports.push_back(std::move(port));
    }
    return ports;
}

void PortNames::Discover() {
    devices_ = ListSerialDevices(roots_);
    for (std::string& device : discovered_) device.clear();

    std::vector<std::string> placedByUser;
    for (unsigned com = 1; com <= HighestComNumber; ++com) {
        std::string choice = UserChoice(com);
        if (!choice.empty()) placedByUser.push_back(Resolved(choice));
    }
    auto taken = [&](unsigned com) { return !discovered_[com].empty() || !UserChoice(com).empty(); };

    // A UART's number is part of its name, and users know it by that number.
    for (const SerialDeviceEntry& device : devices_) {
        if (device.family != DeviceFamily::Uart) continue;
        unsigned com = device.number + 1;
        if (InRange(com) && !taken(com)) discovered_[com] = device.path;
    }
    unsigned next = 1;
    for (const SerialDeviceEntry& device : devices_) {
        if (device.family == DeviceFamily::Uart) continue;
        std::string resolved = Resolved(device.path);
        bool placed = false;
        for (const std::string& choice : placedByUser) placed = placed || choice == resolved;
        if (placed) continue;
        while (next <= HighestComNumber && taken(next)) ++next;
        if (next > HighestComNumber) break;
        discovered_[next] = device.path;
    }
}

std::string PortNames::DeviceFor(unsigned comNumber) const {
    if (!InRange(comNumber)) return PlatformDeviceName(comNumber, roots_);
    std::string choice = UserChoice(comNumber);
    if (!choice.empty()) return choice;
    if (!discovered_[comNumber].empty()) return discovered_[comNumber];
    return PlatformDeviceName(comNumber, roots_);
}

std::string PortNames::Describe(unsigned comNumber) const {
    std::string device = DeviceFor(comNumber);
    std::string resolved = Resolved(device);
    for (const SerialDeviceEntry& entry : devices_) {
        if (Resolved(entry.path) != resolved) continue;
        const std::string& what = entry.description.empty() ? entry.kind : entry.description;
        return what.empty() ? device : device + " (" + what + ")";
    }
    return device;
}

std::vector<unsigned> PortNames::ComNumbersOf(const std::string& device) const {
    std::vector<unsigned> numbers;
    std::string resolved = Resolved(device);
    for (unsigned com = 1; com <= HighestComNumber; ++com) {
        if (Resolved(DeviceFor(com)) == resolved) numbers.push_back(com);
    }
    return numbers;
}

}  // namespace quillfen
