// SPDX-License-Identifier: MIT
// Processor time spent while one transaction waits 10 s for a modem that
// never answers. Target: under 1 % of the wall time.
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "app/application.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

using namespace quillfen;

namespace {
double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}
}  // namespace

int main() {
    test::TempDir dir;
    test::ScopedChdir cwd(dir.Path());
    test::ModemSim sim({"--profile", "silent"});
    test::ScriptedHost host;
    host.selection = 0;
    PortNames names;
    names.Map(1, sim.Device());
    Application app(host, names);
    app.Start();
    app.Port().SelectedPort = 0;
    app.Port().OpenPort(Quiet::Yes);

    const double cpuBefore = CpuSeconds();
    const auto started = std::chrono::steady_clock::now();
    app.Engine().SendCommand("AT&V", 10);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double cpu = CpuSeconds() - cpuBefore;
    app.Shutdown();
    std::printf("idle transaction: wall %.3f s, cpu %.4f s, %.3f %% of wall (target < 1 %%), %ld pumps\n", wall, cpu,
                100.0 * cpu / wall, host.pumps);
    return 0;
}
