// SPDX-License-Identifier: MIT
// A bank of modems tested at once: `test-all --ports LIST [--jobs N]`.
// Owns one worker thread per job; each port gets a session of its own (its
// own Application, and with it its own port, engine and ModemNNN.txt), so a
// port's log holds the same bytes a run on that port alone would write.
// Nothing is shared between sessions but the progress they publish and the
// abort request; the calling thread names every log in port order before any
// port starts, draws the progress on stderr, takes Ctrl-C, and prints one
// report line per port on stdout at the end, with what went wrong there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/application.h"
#include "cli/interrupt_signals.h"
#include "serial/port_names.h"

namespace quillfen::cli {

// What the bank does with each port's session; FaxTestPort unless a test
// plants a fault of its own there.
using PortWork = ActionOutcome (*)(Application& app, unsigned comNumber);

struct BankOptions {
    std::vector<unsigned> ports;  // COM numbers, in the order shown
    unsigned jobs = 0;            // ports tested at once; 0 is all of them
    std::uint32_t speed = 2400;
    bool report = false;  // the full report of each log on stderr at the end
    bool quiet = false;   // the summary lines on stderr too, nothing on stdout
};

// Runs the bank and returns the process's exit code: the worst outcome of
// its ports (a fault of the program, then a log file missing or incomplete,
// then aborted, then a modem that hung up, then a port not opened, then no
// modem), 0 when every port was tested.
int RunBank(const BankOptions& options, const PortNames& names, InterruptSignals& signals, PortWork work = nullptr);

}  // namespace quillfen::cli
