// SPDX-License-Identifier: MIT
// The transport seam's chooser: which kind of device a name asks for.
#include "serial/serial_device.h"

#include <cerrno>
#include <cstdio>

#include "serial/device_name.h"
#include "serial/local_device.h"
#include "serial/network_device.h"

namespace quillfen {

namespace {

// A name no transport can open (a malformed URL, an over-long path): the
// open fails as a port that cannot be found, naming the text.
class UnusableDevice final : public SerialDevice {
public:
    bool Open(const std::string& device, OpenError& error, const DeviceRoots&) override {
        FailUnusableName(device, DeviceNameProblem(device), error);
        return false;
    }
    bool IsOpen() const override { return false; }
    void Close() override {}
    bool HungUp() const override { return false; }
    int Configure(std::uint32_t) override { return EBADF; }
    void Control(LineControl) override {}
    void PurgeInput() override {}
    void PurgeOutput() override {}
    QueueCounts QueryStatus() override { return {}; }
    std::size_t StartWrite(const std::uint8_t*, std::size_t) override { return 0; }
    std::size_t Read(std::uint8_t*, std::size_t, int) override { return 0; }
    std::intptr_t HandleValue() const override { return -1; }
};

}  // namespace

void FailUnusableName(const std::string& name, const std::string& problem, OpenError& error) {
    error = OpenError{};
    error.row = OpenErrorRow::CannotFind;
    // The number a missing device has on every platform this runs on.
    error.code = ENOENT;
    std::snprintf(error.detail, sizeof error.detail, "\"%s\" names no port: %s", ShownName(name).c_str(),
                  problem.c_str());
}

std::unique_ptr<SerialDevice> MakeDevice(const std::string& name) {
    NetworkAddress address;
    std::string problem;
    switch (ReadDeviceName(name, address, problem)) {
    case NameForm::Network: return std::make_unique<NetworkDevice>();
    // An empty name is what a closed port starts from; it opens nothing,
    // as a device that is not there.
    case NameForm::Unusable:
        if (!name.empty()) return std::make_unique<UnusableDevice>();
        break;
    case NameForm::Local: break;
    }
    return std::make_unique<LocalDevice>();
}

}  // namespace quillfen
