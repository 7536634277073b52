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
#include <string_view>
#include <thread>

#include "app/application.h"
#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/terminal_host.h"
#include "report/log_report.h"

namespace quillfen::cli {

namespace {

constexpr int DrawInterval = 100;  // ms between looks at the progress
constexpr std::size_t FileNameLimit = 64;

// Where a session stands, as the progress line shows it.
enum Phase : int { Waiting, Opening, Probing, Testing, Class0, Class1, Class2, Class20, Finished };
constexpr std::string_view PhaseWords[] = {"waiting", "opening", "probing",   "testing", "class 0",
                                           "class 1", "class 2", "class 2.0", "finished"};

// The class command that opens each class phase.
struct ClassPhase {
    std::string_view command;
    Phase phase;
};
constexpr ClassPhase ClassPhases[] = {
    {"OUT: AT+FCLASS=0\r\n", Class0},
    {"OUT: AT+FCLASS=1\r\n", Class1},
    {"OUT: AT+FCLASS=2\r\n", Class2},
    {"OUT: AT+FCLASS=2.0\r\n", Class20},
};

// What a port came to, worst last: the exit code is the worst row's. The
// log is what the user keeps, so its loss outranks everything, as in a
// single session; the user's own abort outranks a modem that went away.
enum class BankOutcome { Tested, NoModem, NotOpened, HungUp, Aborted, NotStarted, NoLogFile, LogIncomplete };

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

// What one session publishes. The worker writes why, hungUpAfter and
// outcome before it stores Finished; the drawer reads them only after
// seeing that phase.
struct PortProgress {
    unsigned com = 0;
    std::atomic<int> phase{Waiting};
    std::atomic<unsigned> commands{0};
    std::array<char, FileNameLimit> fileName{};
    std::array<char, DetailSize> why{};  // why the port could not be opened, or why it has no log
    bool hungUp = false;
    unsigned hungUpAfter = 0;  // commands the modem answered before it went
    BankOutcome outcome = BankOutcome::NotStarted;
};

// The host of one session in the bank: no pane, no questions, no words on
// the terminal. It counts commands, follows the phases, keeps what the port
// told of its troubles, and passes the bank's abort request to its own
// session at every wait.
class BankHost final : public Host {
public:
    BankHost(PortProgress& progress, const std::atomic<bool>& abortAll) : progress_(progress), abortAll_(abortAll) {}
    void Attach(Application& app) { app_ = &app; }

    void PumpEvents() override {
        if (app_ && abortAll_.load(std::memory_order_relaxed)) app_->DispatchCommand(id::AbortEvent);
    }
    // The start-up note is for a desktop user; a failed open is in the log
    // already and is never retried.
    BoxAnswer ShowMessageBox(std::string_view, BoxIcon, BoxButtons buttons) override {
        return buttons == BoxButtons::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
    }
    void PortRefused(std::string_view why) override {
        std::snprintf(progress_.why.data(), progress_.why.size(), "%.*s", static_cast<int>(why.size()), why.data());
    }
    void PortHungUp() override {
        if (progress_.hungUp) return;
        progress_.hungUp = true;
        // The command that found the modem gone is counted already.
        unsigned sent = progress_.commands.load(std::memory_order_relaxed);
        progress_.hungUpAfter = sent > 0 ? sent - 1 : 0;
    }
    void InsertLogText(std::int32_t, std::string_view text) override {
        if (text.substr(0, 5) == "OUT: ") progress_.commands.fetch_add(1, std::memory_order_relaxed);
        for (const ClassPhase& row : ClassPhases)
            if (text == row.command) progress_.phase.store(row.phase, std::memory_order_relaxed);
        if (text.substr(0, 10) == "Opened COM") progress_.phase.store(Probing, std::memory_order_relaxed);
        if (text.size() > 5 && text.substr(0, 3) == "COM" && text.substr(text.size() - 2) == "\r\n" &&
            text.find(' ') == std::string_view::npos) {
            progress_.phase.store(Testing, std::memory_order_relaxed);
        }
    }
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

void RunPortSession(PortProgress& progress, PortSession& session) {
    progress.phase.store(Opening, std::memory_order_release);
    ActionOutcome action = session.app.FaxTestPort(progress.com);
    session.app.Shutdown();
    BankOutcome outcome = BankOutcome::NotStarted;
    for (const ActionRow& row : ActionRows)
        if (row.action == action) outcome = row.outcome;
    // A modem that went away mid-test is what the user must hear of, not
    // the classes it never answered; an abort is the user's own doing.
    if (progress.hungUp && outcome != BankOutcome::Aborted) outcome = BankOutcome::HungUp;
    if (session.app.Log().FileIncomplete()) outcome = BankOutcome::LogIncomplete;
    progress.outcome = outcome;
    progress.phase.store(Finished, std::memory_order_release);
}

std::string ProgressLine(const PortProgress& progress) {
    int phase = progress.phase.load(std::memory_order_acquire);
    char line[160];
    std::string_view state = phase == Finished ? RowFor(progress.outcome).words : PhaseWords[phase];
    const char* file = progress.fileName[0] ? progress.fileName.data() : "(no log file)";
    std::snprintf(line, sizeof line, "COM%-4u %-13s %4u commands  %.*s", progress.com, file,
                  progress.commands.load(std::memory_order_relaxed), static_cast<int>(state.size()), state.data());
    return line;
}

// On a terminal the block of lines is redrawn in place with live counts;
// anywhere else a port's line is written once per phase, so a log of the
// run stays short.
class ProgressDisplay {
public:
    explicit ProgressDisplay(const std::vector<std::unique_ptr<PortProgress>>& ports)
        : ports_(ports), terminal_(StderrIsTerminal()), shown_(ports.size(), -1) {}

    void Draw() {
        std::string out;
        if (terminal_ && drawn_) out += "\x1b[" + std::to_string(ports_.size()) + "A";
        for (std::size_t i = 0; i < ports_.size(); ++i) {
            int phase = ports_[i]->phase.load(std::memory_order_acquire);
            if (terminal_) {
                out += "\r\x1b[2K" + ProgressLine(*ports_[i]) + "\n";
            } else if (phase != shown_[i]) {
                out += ProgressLine(*ports_[i]) + "\n";
            }
            shown_[i] = phase;
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
    std::vector<int> shown_;  // the phase each port's last line showed
};

std::string ReadLogFile(const char* name) {
    std::string bytes;
    std::FILE* file = std::fopen(name, "rb");
    if (!file) return bytes;
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        bytes.append(chunk, got);
    std::fclose(file);
    return bytes;
}

}  // namespace

int RunBank(const BankOptions& options, const PortNames& names, InterruptSignals& signals) {
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
        app.Start();
        std::snprintf(port->fileName.data(), FileNameLimit, "%.63s", app.LogFileName());
        if (port->fileName[0] == '\0') {
            CopyBounded(port->why.data(), app.LogFileProblem(), port->why.size());
            port->outcome = BankOutcome::NoLogFile;
            port->phase.store(Finished, std::memory_order_release);
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
                if (progress.phase.load(std::memory_order_acquire) == Finished) continue;
                if (abortAll.load()) {
                    progress.phase.store(Finished, std::memory_order_release);
                    continue;
                }
                RunPortSession(progress, *sessions[index]);
            }
        });
    }

    auto allFinished = [&] {
        return std::all_of(ports.begin(), ports.end(),
                           [](const auto& port) { return port->phase.load(std::memory_order_acquire) == Finished; });
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
        const char* file = port->fileName.data();
        report::LogFacts facts = report::ReadLog(file[0] ? ReadLogFile(file) : std::string());
        const bool tested = port->outcome == BankOutcome::Tested || port->outcome == BankOutcome::Aborted;
        if (tested && !facts.tests.empty()) {
            summary += report::FormatSummaryLine(facts, file);
        } else {
            summary += "COM" + std::to_string(port->com) + " " + (file[0] ? file : "(no log file)") + ": " +
                       std::string(row.words);
            if (port->outcome == BankOutcome::HungUp) {
                summary += " after " + std::to_string(port->hungUpAfter) + " commands";
            }
            if (port->why[0] != '\0' &&
                (port->outcome == BankOutcome::NotOpened || port->outcome == BankOutcome::NoLogFile)) {
                summary += ": " + std::string(port->why.data());
            }
            summary += "\n";
        }
        if (options.report && file[0]) {
            reports += '\n';
            reports += report::FormatText(facts, file);
        }
    }
    WriteStream(options.quiet ? Stream::Err : Stream::Out, summary);
    WriteStream(Stream::Err, reports);
    return code;
}

}  // namespace quillfen::cli
