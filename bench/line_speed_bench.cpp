// SPDX-License-Identifier: MIT
// One capability test against the pacing simulator at 2400 and at 115200
// bit/s, the line and the simulator at the same speed: how much of the test
// is wire time.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>

#include "app/application.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

using namespace quillfen;

namespace {

double CapabilityTest(std::uint32_t speed) {
    test::TempDir dir;
    test::ScopedChdir cwd(dir.Path());
    test::ModemSim sim({"--profile", "fax", "--baud", std::to_string(speed)});
    test::ScriptedHost host;
    host.selection = 0;
    PortNames names;
    names.Map(1, sim.Device());
    Application app(host, names);
    app.SetLineSpeed(speed);
    app.Start();
    auto started = std::chrono::steady_clock::now();
    app.DispatchCommand(id::FaxTestSelectModem);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    app.Shutdown();
    return seconds;
}

}  // namespace

int main() {
    const double slow = CapabilityTest(2400);
    const double fast = CapabilityTest(115200);
    std::printf(
        "capability test against the pacing simulator: 2400 bit/s %.2f s, 115200 bit/s %.2f s, "
        "%.1f times faster\n",
        slow, fast, slow / fast);
    return 0;
}
