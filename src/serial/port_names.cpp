#include "serial/port_names.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace quillfen {

namespace {

// Longer device names than this are not taken from the environment or a
// mapping: no system's path limit allows them.
constexpr std::size_t DeviceNameLimit = 4095;

bool InRange(unsigned comNumber) { return comNumber >= 1 && comNumber <= HighestComNumber; }

bool Acceptable(const std::string& device) {
    return !device.empty() && device.size() <= DeviceNameLimit && device.find('\0') == std::string::npos;
}

// The device a name finally leads to, so /dev/modem and /dev/serial/by-id/...
// match the node they point at.
std::string Resolved(const std::string& device) {
    std::error_code ec;
    std::filesystem::path target = std::filesystem::weakly_canonical(device, ec);
    return ec ? device : target.string();
}

}  // namespace

PortNames::PortNames(DeviceRoots roots) : roots_(std::move(roots)) {}

bool PortNames::Map(unsigned comNumber, const std::string& device) {
    if (!InRange(comNumber) || !Acceptable(device)) return false;
    overrides_[comNumber] = device;
    return true;
}

std::string PortNames::UserChoice(unsigned comNumber) const {
    if (!InRange(comNumber)) return {};
    if (!overrides_[comNumber].empty()) return overrides_[comNumber];
    char variable[32];
    std::snprintf(variable, sizeof variable, "QUILLFEN_COM%u", comNumber);
    if (const char* fromEnvironment = std::getenv(variable)) {
        std::string device(fromEnvironment);
        if (Acceptable(device)) return device;
    }
    return {};
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
