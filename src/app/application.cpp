// SPDX-License-Identifier: MIT
#include "app/application.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <string>

#include "report/log_report.h"

namespace quillfen {

namespace {
constexpr char EmptyCommandMessage[] = "Please Type in a Modem Command";
constexpr unsigned TypedCommandTimeout = 5;  // seconds
constexpr char PortsFileProblemsHeading[] = "These lines of the ports file were skipped:";
// The report reads at most this much of the session's log file; a session
// longer than that is reported on its beginning, which holds its tests.
constexpr std::streamsize ReportReadLimit = 64 * 1024 * 1024;
constexpr char NoLogFileReport[] = "No log file was written in this session, so there is no report.\r\n";
constexpr char IncompleteFileNote[] =
    "Writing the log file failed during this session: the report covers only what the file holds.\r\n\r\n";

// What the log shows of a command is its text up to the first line end, so
// that is all the modem may get: a second command hidden behind a CR would
// run without a trace in the log.
void CutAtLineEnd(char* text) { text[std::strcspn(text, "\r\n")] = '\0'; }
}  // namespace

// One row per command the window can give.
const Application::CommandRow Application::Commands[] = {
    {id::FindAllModems, true, Availability::WhenIdle, &Application::FindAllModems},
    {id::FaxTestSelectModem, true, Availability::WhenIdle, &Application::FaxTestSelectModem},
    {id::FaxTestAllModems, true, Availability::WhenIdle, &Application::FaxTestAllModems},
    {id::Send, true, Availability::WhenIdle, &Application::Send},
    {id::AbortEvent, false, Availability::Always, &Application::AbortEvent},
    {id::CopyAllOfLog, false, Availability::WhenLogOrReport, &Application::CopyAllOfLog},
    {id::CopySelectedText, false, Availability::WhenLogOrReport, &Application::CopySelectedText},
    {id::About, false, Availability::WhenIdle, &Application::About},
    {id::OpenHelp, false, Availability::WhenIdle, &Application::OpenHelp},
    {id::CloseHelp, false, Availability::Always, &Application::CloseHelp},
    {id::Report, false, Availability::WhenIdle, &Application::ShowReport},
    {id::Exit, false, Availability::Always, &Application::Exit},
    {id::Cancel, false, Availability::Always, &Application::Cancel},
};

Application::Application(Host& host, PortNames& names)
    : host_(host),
      names_(names),
      log_(host),
      port_(host, log_, names),
      engine_(host, log_, port_),
      procedures_(host, log_, port_, engine_) {}

void Application::Start(FileNotes notes) {
    log_.OpenSessionLog(notes);
    if (log_.LogFile() >= 0) CopyBounded(logFileName_, log_.FileName(), sizeof logFileName_);
    log_.ReportFileFailure();
    if (!names_.PortsFileProblems().empty()) {
        std::string text = PortsFileProblemsHeading;
        for (const std::string& problem : names_.PortsFileProblems()) text += "\n" + problem;
        host_.ShowMessageBox(text, BoxIcon::Information, BoxButtons::Ok);
    }
}

void Application::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The port's closed line must come before the end line.
    port_.ClosePort();
    log_.CloseSessionLog();
}

ActionOutcome Application::DispatchCommand(std::uint16_t commandId, Notification code) {
    if (ended_) return ActionOutcome::Ignored;
    if (commandId == id::PortList) {
        if (code == Notification::SelectionChange || code == Notification::DropDown ||
            code == Notification::KillFocus) {
            HandlePortListChange();
            // Closing the port wrote its line; a failed write is told now.
            log_.ReportFileFailure();
            return ActionOutcome::Done;
        }
        return ActionOutcome::Ignored;
    }
    if (commandId == id::CommandEdit && (code == Notification::EditSetFocus || code == Notification::EditKillFocus)) {
        // Whoever types a command and presses Enter means Send, never the
        // default button's scan of four ports; elsewhere that default holds.
        host_.SetDefaultButton(code == Notification::EditSetFocus ? id::Send : id::DefaultButton);
        return ActionOutcome::Done;
    }
    if (code != Notification::Clicked) return ActionOutcome::Ignored;

    for (const CommandRow& row : Commands) {
        if (row.id != commandId) continue;
        // A click that was queued before the busy set was grayed, or a
        // toolkit that lets a grayed item through, must not start anything.
        if (row.availability == Availability::WhenIdle && (busy_ || helpShown_)) return ActionOutcome::Ignored;
        if (row.availability == Availability::WhenLogOrReport && (busy_ || (helpShown_ && !reportShown_)))
            return ActionOutcome::Ignored;
        return row.busyBracket ? RunBusy(row.run) : (this->*row.run)();
    }
    return ActionOutcome::Ignored;
}

ActionOutcome Application::RunBusy(ActionOutcome (Application::*action)()) {
    engine_.AbortRequested = 0;
    procedures_.BeginAction();
    // Graying moves the focus off the port list, which closes the port
    // before the action opens one; only then does the action count as running.
    SetControlsEnabled(false);
    busy_ = true;
    ActionOutcome outcome = (this->*action)();
    busy_ = false;
    if (engine_.AbortRequested == 1) outcome = ActionOutcome::Aborted;
    lastOutcome_ = outcome;
    SetControlsEnabled(true);
    // Outside every write, so the box cannot run inside one.
    log_.ReportFileFailure();
    // An Exit given during the action ends the session now that it has unwound.
    if (exitRequested_) EndSession();
    return outcome;
}

void Application::SetControlsEnabled(bool enabled) {
    for (std::uint16_t controlId : id::BusySetControls) host_.EnableControl(controlId, enabled);
    for (std::uint16_t commandId : id::BusySetMenuItems) host_.EnableMenuItem(commandId, enabled);
    if (!enabled) {
        host_.FocusControl(id::LogPane);
        return;
    }
    if (portPromptPending_ && !exitRequested_) {
        portPromptPending_ = false;
        host_.PromptForPort();
    }
}

int Application::EnsurePortOpen() {
    if (port_.EnsurePortOpen() == 1) return 1;
    // No port was chosen and the box asked for one: the list drops down for
    // it once it is usable again, since a grayed list can do neither.
    if (host_.PortSelection() < 0) portPromptPending_ = true;
    return 0;
}

SessionSummary Application::Summary() const {
    const Progress& progress = procedures_.ActionProgress();
    SessionSummary summary;
    summary.outcome = lastOutcome_;
    summary.hungUp = progress.hungUp;
    summary.commandsBeforeHangUp = progress.commandsBeforeHangUp;
    summary.refusal = port_.Refusal();
    summary.logFileName = logFileName_;
    summary.logFileProblem = log_.FileProblem();
    summary.logFileIncomplete = log_.FileIncomplete();
    if (port_.IsOpen()) {
        summary.comNumber = port_.SelectedPort + 1u;
        summary.device = names_.DeviceFor(summary.comNumber);
    }
    return summary;
}

void Application::HandlePortListChange() {
    // Never pull the port from under a running action.
    if (busy_) return;
    port_.ClosePort();
}

void Application::HandleCloseRequest() {
    if (ended_ || exitRequested_ || exitPosted_) return;
    exitPosted_ = true;
    host_.PostCommand(id::Exit);
}

void Application::EndSession() {
    if (ended_) return;
    ended_ = true;
    Shutdown();
    host_.EndWindow();
}

ActionOutcome Application::Send() {
    if (EnsurePortOpen() == 0) return ActionOutcome::PortNotOpened;
    host_.ReadCommandText(typedCommand_, sizeof typedCommand_);
    typedCommand_[TypedCommandLimit] = '\0';
    CutAtLineEnd(typedCommand_);
    if (typedCommand_[0] == '\0') {
        host_.ShowMessageBox(EmptyCommandMessage, BoxIcon::Information, BoxButtons::Ok);
        host_.FocusControl(id::CommandEdit);
        return ActionOutcome::NothingSent;
    }
    if (procedures_.Send(typedCommand_, TypedCommandTimeout) == 0) return ActionOutcome::Aborted;
    return ActionOutcome::Done;
}

ActionOutcome Application::FindAllModems() {
    return procedures_.ScanPorts(FullTest::No) == 0 ? ActionOutcome::PortNotOpened : ActionOutcome::Done;
}

ActionOutcome Application::FaxTestSelectModem() {
    if (EnsurePortOpen() == 0) return ActionOutcome::PortNotOpened;
    return procedures_.RunCapabilityTest() == 0 ? ActionOutcome::Aborted : ActionOutcome::Done;
}

ActionOutcome Application::FaxTestAllModems() {
    return procedures_.ScanPorts(FullTest::Yes) == 0 ? ActionOutcome::PortNotOpened : ActionOutcome::Done;
}

ActionOutcome Application::FaxTestPort(unsigned comNumber) {
    if (ended_ || busy_ || helpShown_ || comNumber < 1 || comNumber > HighestComNumber) return ActionOutcome::Ignored;
    bankPort_ = comNumber;
    return RunBusy(&Application::FaxTestBankPort);
}

ActionOutcome Application::FaxTestBankPort() {
    struct ScanOutcome {
        PortScan scan;
        ActionOutcome outcome;
    };
    static constexpr ScanOutcome Outcomes[] = {
        {PortScan::NotOpened, ActionOutcome::PortNotOpened},
        {PortScan::NoModem, ActionOutcome::NoModem},
        {PortScan::ModemFound, ActionOutcome::Done},
    };
    PortScan scan = procedures_.ScanPort(bankPort_ - 1, FullTest::Yes);
    for (const ScanOutcome& row : Outcomes)
        if (row.scan == scan) return row.outcome;
    return ActionOutcome::Done;
}

ActionOutcome Application::AbortEvent() {
    engine_.AbortRequested = 1;
    return ActionOutcome::Done;
}

ActionOutcome Application::CopyAllOfLog() {
    reportShown_ ? host_.CopyReport(CopyScope::AllOfLog) : host_.CopyLog(CopyScope::AllOfLog);
    return ActionOutcome::Done;
}

ActionOutcome Application::CopySelectedText() {
    reportShown_ ? host_.CopyReport(CopyScope::Selection) : host_.CopyLog(CopyScope::Selection);
    return ActionOutcome::Done;
}

ActionOutcome Application::About() {
    host_.ShowAbout();
    return ActionOutcome::Done;
}

ActionOutcome Application::OpenHelp() {
    SetControlsEnabled(false);
    host_.EnableMenuItem(id::CloseHelp, true);
    helpShown_ = true;
    host_.OpenHelp();
    return ActionOutcome::Done;
}

ActionOutcome Application::ShowReport() {
    const std::string text = ReportText();
    SetControlsEnabled(false);
    // The report is there to be copied into a mail, like the log.
    host_.EnableMenuItem(id::CopyAllOfLog, true);
    host_.EnableMenuItem(id::CopySelectedText, true);
    host_.EnableMenuItem(id::CloseHelp, true);
    helpShown_ = true;
    reportShown_ = true;
    host_.OpenReport(text);
    return ActionOutcome::Done;
}

std::string Application::ReportText() const {
    if (logFileName_[0] == '\0') return NoLogFileReport;
    std::ifstream file(logFileName_, std::ios::binary | std::ios::ate);
    const std::streamsize size = file ? std::min<std::streamsize>(file.tellg(), ReportReadLimit) : 0;
    std::string bytes(static_cast<std::size_t>(std::max<std::streamsize>(size, 0)), '\0');
    file.seekg(0);
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    const std::string report = report::FormatText(report::ReadLog(bytes), logFileName_, true);
    std::string text = log_.FileIncomplete() ? IncompleteFileNote : "";
    text.reserve(text.size() + report.size() + report.size() / 32);
    for (char c : report) {
        if (c == '\n') text += '\r';
        text += c;
    }
    return text;
}

ActionOutcome Application::CloseHelp() {
    if (!helpShown_) return ActionOutcome::Ignored;
    host_.CloseHelp();
    helpShown_ = false;
    reportShown_ = false;
    SetControlsEnabled(true);
    host_.EnableMenuItem(id::CloseHelp, false);
    return ActionOutcome::Done;
}

ActionOutcome Application::Cancel() {
    // Escape pressed to put the help away must not end the program.
    return helpShown_ ? CloseHelp() : Exit();
}

ActionOutcome Application::Exit() {
    ++exitCommands_;
    engine_.AbortRequested = 1;
    exitRequested_ = true;
    // During an action the session ends once the action has unwound.
    if (!busy_) EndSession();
    return ActionOutcome::Done;
}

}  // namespace quillfen
