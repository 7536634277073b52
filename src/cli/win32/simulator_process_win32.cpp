// SPDX-License-Identifier: MIT
// The simulator on Windows: there is none. quillfen-modemsim speaks over a
// POSIX pseudo-terminal, which Windows does not have.
#include "cli/simulator_process.h"

namespace quillfen::cli {

SimulatorProcess::~SimulatorProcess() { Stop(); }

SimulatorStart SimulatorProcess::Start(const std::string&, const InterruptSignals&, std::string& error) {
    error =
        "--sim needs a POSIX system: the simulated modem runs on a Linux pseudo-terminal. "
        "On Windows, connect a modem to a COM port; under Wine, link a COM port to "
        "quillfen-modemsim (see the README's Windows section)";
    return SimulatorStart::UsageRefused;
}

void SimulatorProcess::Stop() {}

int SimulatorProcess::WaitForExit() { return 0; }

std::string FindSimulator() { return {}; }

std::vector<std::string_view> SimulatorProfiles() { return {}; }

}  // namespace quillfen::cli
