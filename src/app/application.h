// SPDX-License-Identifier: MIT
// The application object and the toolkit-free command dispatch shared by
// every front end. It owns one instance of each core module. A front end
// turns its events into DispatchCommand(id, notification) and
// HandleCloseRequest() calls, implements the Host, and draws; it learns how
// an action ended from the ActionOutcome, never from the core's members.
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

class Application {
public:
    Application(Host& host, PortNames& names);
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // Start-up message, log file, header, start line and banner; then, once,
    // the lines of the ports file that were skipped.
    void Start();
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

    bool Busy() const { return busy_; }
    // The help pane or the report pane covers the log.
    bool HelpShown() const { return helpShown_; }
    bool ReportShown() const { return reportShown_; }
    bool ExitRequested() const { return exitRequested_; }
    // The session has ended and the window was told to close.
    bool Ended() const { return ended_; }
    // Exit commands handled, however they were given.
    int ExitCommands() const { return exitCommands_; }
    // The log file's relative name; empty when none could be created, and
    // then why not, in a few words.
    const char* LogFileName() const { return logFileName_; }
    const char* LogFileProblem() const { return log_.FileProblem(); }

    // The core modules, for tests and benchmarks.
    SessionLog& Log() { return log_; }
    SerialPort& Port() { return port_; }
    CommandEngine& Engine() { return engine_; }
    Procedures& Procs() { return procedures_; }

private:
    // The host as the core sees it: the front end's, except that a port
    // prompt asked for while the list is grayed waits until it is usable.
    class CoreHost final : public Host {
    public:
        CoreHost(Application& app, Host& front) : app_(app), front_(front) {}
        void PumpEvents() override { front_.PumpEvents(); }
        BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override {
            return front_.ShowMessageBox(text, icon, buttons);
        }
        void InsertLogText(std::int32_t position, std::string_view text) override {
            front_.InsertLogText(position, text);
        }
        int PortSelection() override { return front_.PortSelection(); }
        void ShowNote(std::string_view text) override { front_.ShowNote(text); }
        void ShowLogFileNote(std::string_view text, BoxIcon icon) override { front_.ShowLogFileNote(text, icon); }
        void PortRefused(std::string_view why) override { front_.PortRefused(why); }
        void PortHungUp() override { front_.PortHungUp(); }
        void PromptForPort() override;
        std::size_t ReadCommandText(char* buffer, std::size_t size) override {
            return front_.ReadCommandText(buffer, size);
        }
        void EnableControl(std::uint16_t controlId, bool enabled) override { front_.EnableControl(controlId, enabled); }
        void EnableMenuItem(std::uint16_t commandId, bool enabled) override { front_.EnableMenuItem(commandId, enabled); }
        void FocusControl(std::uint16_t controlId) override { front_.FocusControl(controlId); }
        void SetDefaultButton(std::uint16_t controlId) override { front_.SetDefaultButton(controlId); }
        void ShowAbout() override { front_.ShowAbout(); }
        void OpenHelp() override { front_.OpenHelp(); }
        void CloseHelp() override { front_.CloseHelp(); }
        void OpenReport(std::string_view text) override { front_.OpenReport(text); }
        void CopyLog(CopyScope scope) override { front_.CopyLog(scope); }
        void CopyReport(CopyScope scope) override { front_.CopyReport(scope); }
        void PostCommand(std::uint16_t commandId) override { front_.PostCommand(commandId); }
        void EndWindow() override { front_.EndWindow(); }

    private:
        Application& app_;
        Host& front_;
    };

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

    CoreHost host_;
    PortNames& names_;
    SessionLog log_;
    SerialPort port_;
    CommandEngine engine_;
    Procedures procedures_;
    bool busy_ = false;
    bool helpShown_ = false;
    bool reportShown_ = false;
    bool controlsEnabled_ = true;
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
