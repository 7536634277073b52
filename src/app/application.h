// SPDX-License-Identifier: MIT
// The application object and the toolkit-free command dispatch shared by
// every front end. It owns one instance of each core module. A front end
// turns its events into DispatchCommand(id, notification) and
// HandleCloseRequest() calls, implements the Host, and draws; it learns how
// an action ended from the ActionOutcome, where one stands from the Host's
// Progress, and the rest from Summary(), never from the core's members.
// Rules a front end may rely on: no second action starts inside a running
// one; the busy set is grayed for the whole of an action and while the help
// or the report is shown (the report leaves its copy items usable); the
// window is told to end only after a running action unwound.
// A native dialog passes each command word's low 16 bits (the id) and high
// 16 bits (the notification) straight through, Escape's Cancel included,
// and calls Shutdown when its window is destroyed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/command_ids.h"
#include "engine/command_engine.h"
#include "host/host.h"
#include "log/session_log.h"
#include "procedures/procedures.h"
#include "serial/port_names.h"
#include "serial/serial_port.h"

namespace quillfen {

// The longest typed command Send passes on; longer text is cut silently.
inline constexpr std::size_t TypedCommandLimit = 54;

// How a command ended.
enum class ActionOutcome {
    Done,           // it ran to its end (a modem that did not answer is still Done)
    PortNotOpened,  // no port was chosen or none could be opened (a scan: none of COM1 to COM4)
    Aborted,        // the user asked to stop (Abort Event or Exit) while it ran
    NothingSent,    // Send had no command to send
    NoModem,        // one port of a bank opened, but no modem answered on it
    Ignored,        // not a command, not available now, or the session has ended
};

// What a session has come to so far, for a front end that tells it in its
// own words (a terminal, a bank) rather than showing the log. The texts stay
// valid while the Application lives.
struct SessionSummary {
    ActionOutcome outcome = ActionOutcome::Ignored;  // how the last action ended
    bool hungUp = false;                             // a modem hung up or went away during it
    unsigned commandsBeforeHangUp = 0;
    const char* refusal = "";         // why its port would not open, in a few words
    const char* logFileName = "";     // relative; empty when none could be made,
    const char* logFileProblem = "";  // and then why not
    bool logFileIncomplete = false;   // a write failed: the file ends before the log
    unsigned comNumber = 0;           // the port open now, 0 when none
    std::string device;               // the device or network address behind it
};

class Application {
public:
    Application(Host& host, PortNames& names);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up message, log file, header, start line and banner; then, once,
    // the lines of the ports file that were skipped. A front end that names
    // the log file in its own words, from Summary(), leaves out the boxes.
    void Start(FileNotes notes = FileNotes::Boxes);
    // Closes the port (its closed line) and ends the log. Safe to call twice;
    // a front end calls it when its window goes away.
    void Shutdown();

    // Every button, menu item and port-list notification of the window.
    // Buttons and menu items act on Clicked only; the port list acts on its
    // selection change, drop-down and focus loss; the command edit's focus
    // moves the default button to Send and back. Escape (Cancel) closes the
    // help when it is shown and is Exit otherwise. Returns when the command,
    // however long, is over.
    ActionOutcome DispatchCommand(std::uint16_t commandId, Notification code = Notification::Clicked);

    // The window's close box: the same as Exit, posted so it runs after the
    // current event; once Exit is under way further requests add nothing.
    void HandleCloseRequest();

    // Fax Test All Modems for one port of a bank, COM1 to COM256: open it
    // quietly, probe it, test the modem found, close it. Done when a modem
    // was tested; the port the user chose in the list is not touched.
    ActionOutcome FaxTestPort(unsigned comNumber);

    // The line speed of every later open; false for one the port cannot take.
    bool SetLineSpeed(std::uint32_t bitsPerSecond) { return port_.SetLineSpeed(bitsPerSecond); }

    SessionSummary Summary() const;
    // Tells the user now, once, that writing the log file failed, if it did:
    // for a front end that wants it told at once rather than after the
    // action. Call it between events, never from inside a log write.
    void ReportFileFailure() { log_.ReportFileFailure(); }

    bool Busy() const { return busy_; }
    // The help pane or the report pane covers the log.
    bool HelpShown() const { return helpShown_; }
    bool ReportShown() const { return reportShown_; }
    bool ExitRequested() const { return exitRequested_; }
    // The session has ended and the window was told to close.
    bool Ended() const { return ended_; }
    // Exit commands handled, however they were given.
    int ExitCommands() const { return exitCommands_; }

    // The core modules, for tests and benchmarks only: a front end that
    // calls them fails the layering test.
    SessionLog& Log() { return log_; }
    SerialPort& Port() { return port_; }
    CommandEngine& Engine() { return engine_; }
    Procedures& Procs() { return procedures_; }

private:
    // When a command may run: always; only while no action runs and no
    // pane covers the log (the busy set and its menu items); or, for the
    // copies, also while the report covers it.
    enum class Availability { Always, WhenIdle, WhenLogOrReport };
    struct CommandRow {
        std::uint16_t id;
        bool busyBracket;
        Availability availability;
        ActionOutcome (Application::*run)();
    };
    static const CommandRow Commands[];

    ActionOutcome RunBusy(ActionOutcome (Application::*action)());
    void SetControlsEnabled(bool enabled);
    int EnsurePortOpen();
    void HandlePortListChange();
    void EndSession();

    ActionOutcome Send();
    ActionOutcome FindAllModems();
    ActionOutcome FaxTestSelectModem();
    ActionOutcome FaxTestAllModems();
    ActionOutcome FaxTestBankPort();
    ActionOutcome AbortEvent();
    ActionOutcome CopyAllOfLog();
    ActionOutcome CopySelectedText();
    ActionOutcome About();
    ActionOutcome OpenHelp();
    ActionOutcome CloseHelp();
    ActionOutcome ShowReport();
    // The report of this session's log file as it stands, CR LF lines.
    std::string ReportText() const;
    ActionOutcome Exit();
    ActionOutcome Cancel();

    Host& host_;
    PortNames& names_;
    SessionLog log_;
    SerialPort port_;
    CommandEngine engine_;
    Procedures procedures_;
    ActionOutcome lastOutcome_ = ActionOutcome::Ignored;
    bool busy_ = false;
    bool helpShown_ = false;
    bool reportShown_ = false;
    // A port prompt waits until the list it drops down is usable again.
    bool portPromptPending_ = false;
    bool exitRequested_ = false;
    bool exitPosted_ = false;
    bool ended_ = false;
    bool shutDown_ = false;
    int exitCommands_ = 0;
    unsigned bankPort_ = 0;  // the COM number FaxTestPort tests
    char typedCommand_[TypedCommandLimit + 1] = {};
    char logFileName_[ScratchTextSize] = {};
};

}  // namespace quillfen
