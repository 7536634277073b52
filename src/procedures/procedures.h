// SPDX-License-Identifier: MIT
// The test procedures: the modem probe, the COM1 to COM4 scans and the
// capability test script. The script, the class table and the battery are
// tables (capability_script.cpp) run by a small interpreter. Every
// procedure returns 0 at once when a transaction reports an abort. Each
// step of the script and each command sent is told to the host as Progress.
#pragma once

#include "engine/command_engine.h"
#include "host/host.h"
#include "log/session_log.h"
#include "serial/serial_port.h"

namespace quillfen {

inline constexpr unsigned ScannedPorts = 4;

// Whether a scan runs the capability test on each modem it finds.
enum class FullTest : int { No = 0, Yes = 1 };

// What one port of a scan came to.
enum class PortScan { NotOpened, NoModem, ModemFound };

class Procedures {
public:
    Procedures(Host& host, SessionLog& log, SerialPort& port, CommandEngine& engine);

    // A new action: no commands sent yet, no hang-up seen.
    void BeginAction() { progress_ = {}; }
    const Progress& ActionProgress() const { return progress_; }

    // One command, counted, with a hang-up it finds noted: every command of
    // the procedures and the user's own go through here. 0 after an abort.
    int Send(const char* text, unsigned timeoutSeconds);

    // "Reset the modem:\r\n" and AT&F (3 s).
    int ResetModem();
    // Decides whether a modem answers on the open port; with the full test
    // runs the capability test on one that does. 0 only after an abort.
    int ProbeModem(FullTest fullTest);
    // Opens, probes and closes COM1 to COM4 in turn. No port is open after.
    // Returns how many of them opened, so a caller can tell "no port at all"
    // from "no modem".
    unsigned ScanPorts(FullTest fullTest);
    // One port of a scan, by zero-based index: open it quietly, probe it
    // (with the full test, test the modem found) and close it.
    PortScan ScanPort(unsigned index, FullTest fullTest);
    // The whole script on the open port. 1 when it ran to its end.
    int RunCapabilityTest();
    // The 21 commands run once per accepted class.
    int RunClassBattery();

private:
    int Plain(const char* text);
    void Tell(Phase phase, std::string_view faxClass = {});

    Host& host_;
    SessionLog& log_;
    SerialPort& port_;
    CommandEngine& engine_;
    char heading_[16] = {};
    bool modemFound_ = false;  // what the last probe decided
    Progress progress_;
};

}  // namespace quillfen
