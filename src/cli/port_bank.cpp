// SPDX-License-Identifier: MIT
// Threads, not processes: every core module lives in its Application with no
// global state, so sessions side by side in one process share nothing by
// construction; one process keeps Ctrl-C (a signalfd), the progress and the
// exit code in one place, costs no IPC, and still lets each session block in
// its own waits.
#include "cli/port_bank.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>

#include "app/application.h"
#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/log_file_reader.h"
#include "cli/terminal_host.h"
#include "report/log_report.h"

namespace quillfen::cli {

namespace {

constexpr int DrawInterval = 100;  // ms between looks at the progress
constexpr std::size_t FileNameLimit = 64;

// What the line of a session that has started but not finished shows for
// each phase of its action; a fax class is named after "class ".
struct PhaseWord {
    Phase phase;
    std::string_view words;
};
constexpr PhaseWord PhaseWords[] = {
    {Phase::Opening, "opening"},
    {Phase::Probing, "probing"},
    {Phase::Testing, "testing"},
    {Phase::FaxClass, "class "},
};

// What a port came to, worst last: the exit code is the worst row's. A
// fault of the program outranks all, as in a single session; then the log
// is what the user keeps, so its loss outranks the rest; the user's own
// abort outranks a modem that went away.
enum class BankOutcome {
    Tested, NoModem, NotOpened, HungUp, Aborted, NotStarted, NoLogFile, LogIncomplete, InternalError
};

struct OutcomeRow {
    BankOutcome outcome;
    std::string_view words;
    int code;
    int severity;
};
constexpr OutcomeRow OutcomeRows[] = {
    {BankOutcome::Tested, "tested", ExitDone, 0},
    {BankOutcome::NoModem, "no modem answered", ExitNoModem, 1},
    {BankOutcome::NotOpened, "could not be opened", ExitPortNotOpened, 2},
    {BankOutcome::HungUp, "hung up", ExitHungUp, 3},
    {BankOutcome::Aborted, "aborted", ExitAborted, 4},
    {BankOutcome::NotStarted, "aborted before it started", ExitAborted, 4},
    {BankOutcome::NoLogFile, "no log file", ExitLogIncomplete, 5},
    {BankOutcome::LogIncomplete, "the log file is incomplete (writing it failed)", ExitLogIncomplete, 5},
    {BankOutcome::InternalError, "internal error", ExitSoftware, 6},
};

struct ActionRow {
    ActionOutcome action;
    BankOutcome outcome;
};
constexpr ActionRow ActionRows[] = {
    {ActionOutcome::Done, BankOutcome::Tested},          {ActionOutcome::NoModem, BankOutcome::NoModem},
    {ActionOutcome::PortNotOpened, BankOutcome::NotOpened}, {ActionOutcome::Aborted, BankOutcome::Aborted},
    {ActionOutcome::Ignored, BankOutcome::NotStarted},
};

const OutcomeRow& RowFor(BankOutcome outcome) {
    for (const OutcomeRow& row : OutcomeRows)
        if (row.outcome == outcome) return row;
    return OutcomeRows[std::size(OutcomeRows) - 1];
}

// What one session publishes. Its worker writes the progress under the lock
// as the session tells it; why, hungUpAfter and outcome before it sets
// finished, and the drawer reads them only after seeing that.
struct PortProgress {
    unsigned com = 0;
    std::array<char, FileNameLimit> fileName{};
    std::mutex lock;
    bool started = false;
    Phase phase = Phase::Opening;
    std::array<char, 8> faxClass{};
    unsigned commands = 0;
    std::atomic<bool> finished{false};
    std::array<char, DetailSize> why{};  // why the port could not be opened, has no log, or what failed
    unsigned hungUpAfter = 0;            // commands the modem answered before it went
    BankOutcome outcome = BankOutcome::NotStarted;
};

// The host of one session in the bank: no pane, no questions, no words on
// the terminal. It publishes the session's progress and passes the bank's
// abort request to its own session at every wait.
class BankHost final : public Host {
public:
    BankHost(PortProgress& progress, const std::atomic<bool>& abortAll) : progress_(progress), abortAll_(abortAll) {}
    void Attach(Application& app) { app_ = &app; }

    void PumpEvents() override {
        if (app_ && abortAll_.load(std::memory_order_relaxed)) app_->DispatchCommand(id::AbortEvent);
    }
    // A failed open is in the log already and is never retried.
    BoxAnswer ShowMessageBox(std::string_view, BoxIcon, BoxButtons buttons) override {
        return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
    }
    void ShowProgress(const Progress& now) override {
        std::lock_guard<std::mutex> hold(progress_.lock);
        progress_.started = true;
        progress_.phase = now.phase;
        std::snprintf(progress_.faxClass.data(), progress_.faxClass.size(), "%.*s",
                      static_cast<int>(now.faxClass.size()), now.faxClass.data());
        progress_.commands = now.commands;
    }
    void InsertLogText(std::int32_t, std::string_view) override {}
    int PortSelection() override { return static_cast<int>(progress_.com) - 1; }
    std::size_t ReadCommandText(char* buffer, std::size_t size) override {
        if (size > 0) buffer[0] = '\0';
        return 0;
    }
    void PostCommand(std::uint16_t) override {}

private:
    PortProgress& progress_;
    const std::atomic<bool>& abortAll_;
    Application* app_ = nullptr;
};

// One port's session: its own copy of the port names, its host and its
// application, made on the calling thread and then used by one worker alone.
struct PortSession {
    PortSession(PortProgress& progress, const PortNames& allNames, std::uint32_t speed,
                const std::atomic<bool>& abortAll)
        : names(allNames), host(progress, abortAll), app(host, names) {
        host.Attach(app);
        app.SetLineSpeed(speed);
    }
    PortNames names;
    BankHost host;
    Application app;
};

BankOutcome OutcomeOf(ActionOutcome action, const SessionSummary& session) {
    BankOutcome outcome = BankOutcome::NotStarted;
    for (const ActionRow& row : ActionRows)
        if (row.action == action) outcome = row.outcome;
    // A modem that went away mid-test is what the user must hear of, not
    // the classes it never answered; an abort is the user's own doing.
    if (session.hungUp && outcome != BankOutcome::Aborted) outcome = BankOutcome::HungUp;
    if (session.logFileIncomplete) outcome = BankOutcome::LogIncomplete;
    return outcome;
}

void RunPortSession(PortProgress& progress, PortSession& session, PortWork work) {
    // A fault of one session is that port's outcome: it must not take the
    // other sessions, their logs and the report down with it.
    try {
        const ActionOutcome action = work ? work(session.app, progress.com) : session.app.FaxTestPort(progress.com);
        session.app.Shutdown();
        const SessionSummary summary = session.app.Summary();
        progress.outcome = OutcomeOf(action, summary);
        progress.hungUpAfter = summary.commandsBeforeHangUp;
        CopyBounded(progress.why.data(), summary.refusal, progress.why.size());
    } catch (const std::exception& error) {
        progress.outcome = BankOutcome::InternalError;
        CopyBounded(progress.why.data(), error.what(), progress.why.size());
    } catch (...) {
        progress.outcome = BankOutcome::InternalError;
        CopyBounded(progress.why.data(), "of an unknown kind", progress.why.size());
    }
    progress.finished.store(true, std::memory_order_release);
}

// The state the port's progress line shows.
std::string StateOf(PortProgress& progress) {
    if (progress.finished.load(std::memory_order_acquire)) return std::string(RowFor(progress.outcome).words);
    std::lock_guard<std::mutex> hold(progress.lock);
    if (!progress.started) return "waiting";
    std::string state;
    for (const PhaseWord& row : PhaseWords)
        if (row.phase == progress.phase) state = row.words;
    if (progress.phase == Phase::FaxClass) state += progress.faxClass.data();
    return state;
}

std::string ProgressLine(PortProgress& progress, const std::string& state) {
    unsigned commands = 0;
    {
        std::lock_guard<std::mutex> hold(progress.lock);
        commands = progress.commands;
    }
    char line[160];
    const char* file = progress.fileName[0] ? progress.fileName.data() : "(no log file)";
    std::snprintf(line, sizeof line, "COM%-4u %-13s %4u commands  %s", progress.com, file, commands, state.c_str());
    return line;
}

// On a terminal the block of lines is redrawn in place with live counts;
// anywhere else a port's line is written once per state, so a log of the
// run stays short.
class ProgressDisplay {
public:
    explicit ProgressDisplay(const std::vector<std::unique_ptr<PortProgress>>& ports)
        : ports_(ports), terminal_(StderrIsTerminal()), shown_(ports.size()) {}

    void Draw() {
        std::string out;
        if (terminal_ && drawn_) out += "\x1b[" + std::to_string(ports_.size()) + "A";
        for (std::size_t i = 0; i < ports_.size(); ++i) {
            std::string state = StateOf(*ports_[i]);
            if (terminal_) {
                out += "\r\x1b[2K" + ProgressLine(*ports_[i], state) + "\n";
            } else if (state != shown_[i]) {
                out += ProgressLine(*ports_[i], state) + "\n";
            }
            shown_[i] = std::move(state);
        }
        drawn_ = true;
        WriteStream(Stream::Err, out);
    }

    void Say(std::string_view text) {
        // Keep the block below the message on a terminal.
        WriteStream(Stream::Err, std::string(MessagePrefix) + std::string(text) + "\n");
        drawn_ = false;
    }

private:
    const std::vector<std::unique_ptr<PortProgress>>& ports_;
    bool terminal_;
    bool drawn_ = false;
    std::vector<std::string> shown_;  // the state each port's last line showed
};

// One port's line of the report on stdout, and its full report when asked.
void ReportOnPort(const PortProgress& port, std::string& summary, std::string* reports) {
    const char* file = port.fileName.data();
    std::string bytes, error;
    const bool read = file[0] != '\0' && ReadLogFile(file, bytes, error);
    const report::LogFacts facts = report::ReadLog(bytes);
    const bool tested = port.outcome == BankOutcome::Tested || port.outcome == BankOutcome::Aborted;
    if (tested && !facts.tests.empty()) {
        summary += report::FormatSummaryLine(facts, file);
    } else {
        summary += "COM" + std::to_string(port.com) + " " + (file[0] ? file : "(no log file)") + ": " +
                   std::string(RowFor(port.outcome).words);
        if (port.outcome == BankOutcome::HungUp) summary += " after " + std::to_string(port.hungUpAfter) + " commands";
        const bool saysWhy = port.outcome == BankOutcome::NotOpened || port.outcome == BankOutcome::NoLogFile ||
                             port.outcome == BankOutcome::InternalError;
        if (port.why[0] != '\0' && saysWhy) summary += ": " + std::string(port.why.data());
        if (!error.empty()) summary += "; " + error;
        summary += "\n";
    }
    if (reports && read) {
        *reports += '\n';
        *reports += report::FormatText(facts, file);
    }
}

}  // namespace

int RunBank(const BankOptions& options, const PortNames& names, InterruptSignals& signals, PortWork work) {
    std::vector<std::unique_ptr<PortProgress>> ports;
    for (unsigned com : options.ports) {
        ports.push_back(std::make_unique<PortProgress>());
        ports.back()->com = com;
    }
    std::atomic<bool> abortAll{false};

    // Every log is named before any port starts, in port order, so the
    // numbers of the logs follow the ports'. A port without a log file is
    // not tested: nothing it found could be kept.
    std::vector<std::unique_ptr<PortSession>> sessions;
    for (const auto& port : ports) {
        sessions.push_back(std::make_unique<PortSession>(*port, names, options.speed, abortAll));
        Application& app = sessions.back()->app;
        app.Start(FileNotes::FrontEnd);
        const SessionSummary started = app.Summary();
        std::snprintf(port->fileName.data(), FileNameLimit, "%.63s", started.logFileName);
        if (port->fileName[0] == '\0') {
            CopyBounded(port->why.data(), started.logFileProblem, port->why.size());
            port->outcome = BankOutcome::NoLogFile;
            port->finished.store(true, std::memory_order_release);
        }
    }

    std::atomic<std::size_t> next{0};
    std::size_t jobs = options.jobs == 0 ? ports.size() : std::min<std::size_t>(options.jobs, ports.size());
    ProgressDisplay display(ports);
    std::vector<std::thread> workers;
    for (std::size_t job = 0; job < jobs; ++job) {
        workers.emplace_back([&] {
            for (std::size_t index = next.fetch_add(1); index < ports.size(); index = next.fetch_add(1)) {
                PortProgress& progress = *ports[index];
                if (progress.finished.load(std::memory_order_acquire)) continue;
                if (abortAll.load()) {
                    progress.finished.store(true, std::memory_order_release);
                    continue;
                }
                RunPortSession(progress, *sessions[index], work);
            }
        });
    }

    auto allFinished = [&] {
        return std::all_of(ports.begin(), ports.end(),
                           [](const auto& port) { return port->finished.load(std::memory_order_acquire); });
    };
    // A look every DrawInterval is quick enough for Ctrl-C and for the eye,
    // and needs nothing from the platform but a sleep.
    while (!allFinished()) {
        display.Draw();
        std::this_thread::sleep_for(std::chrono::milliseconds(DrawInterval));
        for (StopRequest request = signals.Take(); request != StopRequest::None; request = signals.Take()) {
            if (!abortAll.exchange(true)) display.Say("aborting every port; each log still gets its end lines");
        }
    }
    for (std::thread& worker : workers)
        worker.join();
    // The logs of ports that never started still end properly.
    for (auto& session : sessions) session->app.Shutdown();
    display.Draw();

    int severity = -1;
    int code = ExitDone;
    std::string summary, reports;
    for (const auto& port : ports) {
        const OutcomeRow& row = RowFor(port->outcome);
        if (row.severity > severity) {
            severity = row.severity;
            code = row.code;
        }
        ReportOnPort(*port, summary, options.report ? &reports : nullptr);
    }
    WriteStream(options.quiet ? Stream::Err : Stream::Out, summary);
    WriteStream(Stream::Err, reports);
    return code;
}

}  // namespace quillfen::cli
