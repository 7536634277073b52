// SPDX-License-Identifier: MIT
// The simulated modem that --sim puts behind the selected port.
// Owns one quillfen-modemsim child process: found next to this program or on
// PATH, started in a session of its own (so a terminal's Ctrl-C reaches only
// us, and its pty can be its controlling terminal), stopped and reaped on
// Stop or destruction, so no child outlives the session and none is left a
// zombie, on success or error. The simulator needs a POSIX system; on
// Windows Start refuses with a sentence saying so.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "cli/interrupt_signals.h"

namespace quillfen::cli {

enum class SimulatorStart { Started, Failed, UsageRefused, Interrupted };

class SimulatorProcess {
public:
    SimulatorProcess() = default;
    ~SimulatorProcess();
    SimulatorProcess(const SimulatorProcess&) = delete;
    SimulatorProcess& operator=(const SimulatorProcess&) = delete;

    // Starts the simulator with --profile profile and waits for the pty path it
    // prints. A stop request gives up the wait (Interrupted). On anything but
    // Started, error says why and no child is left running.
    SimulatorStart Start(const std::string& profile, const InterruptSignals& signals, std::string& error);

    // The pty slave the simulated modem listens on.
    const std::string& Device() const { return device_; }

    void Stop();

private:
    int WaitForExit();

    long pid_ = -1;
    std::string device_;
};

// The simulator's path: next to the running program, else the first on PATH;
// empty when there is none.
std::string FindSimulator();

// The simulator's profiles as its own table names them, so the help cannot
// fall behind it; none where the simulator cannot run.
std::vector<std::string_view> SimulatorProfiles();

}  // namespace quillfen::cli
