// SPDX-License-Identifier: MIT
// quillfen-cli: the modem actions from a shell. Parses the command line,
// puts a simulated modem behind the port when asked, and dispatches the one
// action as the window's button would; its outcome is the exit code.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "cli/cli_options.h"
#include "cli/console.h"
#include "cli/interrupt_signals.h"
#include "cli/log_file_reader.h"
#include "cli/port_bank.h"
#include "cli/port_listing.h"
#include "cli/simulator_process.h"
#include "cli/terminal_host.h"
#include "report/log_report.h"
#include "serial/local_device.h"
#include "serial/port_names.h"
#include "serial/ports_file.h"
#include "serial/serial_port.h"

namespace quillfen::cli {
namespace {

void Say(std::string_view text) { SayToStderr(text); }

// Each action is the button of the same name.
struct ActionCommand {
    Action action;
    std::uint16_t commandId;
};
constexpr ActionCommand ActionCommands[] = {
    {Action::Send, id::Send},
    {Action::Find, id::FindAllModems},
    {Action::Test, id::FaxTestSelectModem},
    {Action::TestAll, id::FaxTestAllModems},
};

struct OutcomeCode {
    ActionOutcome outcome;
    int code;
};
constexpr OutcomeCode OutcomeCodes[] = {
    {ActionOutcome::Done, ExitDone},
    {ActionOutcome::PortNotOpened, ExitPortNotOpened},
    {ActionOutcome::Aborted, ExitAborted},
    // The command line refuses such a text first; kept so no outcome is unmapped.
    {ActionOutcome::NothingSent, ExitUsage},
    {ActionOutcome::NoModem, ExitNoModem},
    // The session ended before the action could start.
    {ActionOutcome::Ignored, ExitAborted},
};

int ExitCodeFor(ActionOutcome outcome) {
    for (const OutcomeCode& row : OutcomeCodes) {
        if (row.outcome == outcome) return row.code;
    }
    return ExitAborted;
}

void Print(std::string_view text) { WriteStream(Stream::Out, text); }

// Where the log file is, as the user can find it from anywhere.
std::string ShownPath(const std::string& fileName) {
    std::error_code ec;
    std::filesystem::path where = std::filesystem::current_path(ec);
    return ec ? fileName : (where / fileName).string();
}

std::string ShownDirectory() {
    std::error_code ec;
    std::filesystem::path where = std::filesystem::current_path(ec);
    return ec ? std::string("the current directory") : where.string();
}

// Where the log will go: the one start-up line a terminal needs.
void AnnounceLogFile(const SessionSummary& session) {
    if (*session.logFileName != '\0') {
        Say("log: " + ShownPath(session.logFileName));
        return;
    }
    Say("no log file in " + ShownDirectory() + ": " + session.logFileProblem);
}

// Tells where the log went, which is what the user keeps.
void NameLogFile(const std::string& fileName, bool incomplete, bool logStreamed) {
    const std::string streamed = logStreamed ? "; standard output has the whole log" : "";
    if (fileName.empty()) {
        Say("no log file was written" + streamed);
        return;
    }
    std::string shown = ShownPath(fileName);
    if (incomplete) {
        Say("the log file " + shown + " is incomplete" + streamed);
        return;
    }
    Say("the log is in " + shown);
}

// QUILLFEN_SYSTEM_ROOT puts /sys, /dev, /proc and /var/lock under another
// directory, so a machine built for a test can stand in for this one.
DeviceRoots RootsFromEnvironment() {
    DeviceRoots roots;
    const char* root = std::getenv("QUILLFEN_SYSTEM_ROOT");
    if (!root || *root == '\0') return roots;
    std::string base(root);
    roots.sys = base + "/sys";
    roots.dev = base + "/dev";
    roots.proc = base + "/proc";
    roots.lock = base + "/var/lock";
    return roots;
}

enum class ReportForm { Full, Summary };

// The report on the log just written, on stderr so stdout keeps the log's bytes.
void ReportOnLog(const std::string& fileName, ReportForm form) {
    std::string bytes, error;
    if (fileName.empty() || !ReadLogFile(fileName, bytes, error)) {
        Say(fileName.empty() ? "no log file to report on" : error);
        return;
    }
    const report::LogFacts facts = report::ReadLog(bytes);
    const std::string text = form == ReportForm::Full ? "\n" + report::FormatText(facts, fileName)
                                                      : report::FormatSummaryLine(facts, fileName);
    WriteStream(Stream::Err, text);
}

int RunReport(const CliOptions& options) {
    int code = ExitDone;
    std::string text;
    std::vector<std::string> objects;
    for (const std::string& path : options.logFiles) {
        std::string bytes, error;
        if (!ReadLogFile(path, bytes, error)) {
            Say(error);
            code = ExitUsage;
            continue;
        }
        report::LogFacts facts = report::ReadLog(bytes);
        if (options.json) {
            objects.push_back(report::FormatJson(facts, path));
        } else {
            if (!text.empty()) text += '\n';
            text += report::FormatText(facts, path);
        }
    }
    Print(options.json ? report::JsonDocument(objects) : text);
    return code;
}

int RunSession(const CliOptions& options, PortNames& names, InterruptSignals& signals) {
    TerminalHost host(signals, static_cast<int>(options.comNumber) - 1, options.sendText, !options.quiet);
    Application app(host, names);
    host.Attach(app);
    app.SetLineSpeed(options.speed);
    app.Start(FileNotes::FrontEnd);
    const std::string fileName = app.Summary().logFileName;
    AnnounceLogFile(app.Summary());
    // Quiet, the log goes nowhere but its file: without one nothing would
    // keep what the session found, so it does not run.
    if (options.quiet && fileName.empty()) {
        Say("--quiet keeps the log in its file only, so nothing was done");
        return ExitLogIncomplete;
    }

    // Which device a COM number reaches is no longer obvious, so say it.
    if (options.action == Action::Send || options.action == Action::Test) {
        Say("COM" + std::to_string(options.comNumber) + " is " + names.Describe(options.comNumber));
    }

    ActionOutcome outcome = ActionOutcome::Ignored;
    for (const ActionCommand& row : ActionCommands) {
        if (row.action == options.action) outcome = app.DispatchCommand(row.commandId);
    }

    app.Shutdown();
    // The end line is the last write; a failure there is told now.
    app.ReportFileFailure();
    const SessionSummary session = app.Summary();
    // No file at all is the most incomplete file there is.
    const bool incomplete = session.logFileIncomplete || fileName.empty();
    NameLogFile(fileName, incomplete, !options.quiet);
    if (options.report || options.quiet) {
        ReportOnLog(fileName, options.report ? ReportForm::Full : ReportForm::Summary);
    }

    // The log file is what the user keeps, so its loss outranks every other
    // outcome; a hang-up outranks a plain end, not the user's own abort.
    int code = ExitCodeFor(outcome);
    if (session.hungUp && (code == ExitDone || code == ExitPortNotOpened)) code = ExitHungUp;
    if (incomplete) code = ExitLogIncomplete;
    return code;
}

int Run(int argc, char** argv) {
    PrepareProcess();
    ParseResult parsed = ParseCommandLine(argc, argv);
    switch (parsed.outcome) {
        case ParseOutcome::Help: Print(HelpText()); return ExitDone;
        case ParseOutcome::Version:
            Print("quillfen-cli " + std::string(PackageVersion) + " (" + std::string(ProductName) + " " +
                  std::string(ProductVersion) + ")\n");
            return ExitDone;
        case ParseOutcome::Error:
            Say(parsed.error);
            Say("try 'quillfen-cli --help'");
            return ExitUsage;
        case ParseOutcome::Run: break;
    }
    const CliOptions& options = parsed.options;
    if (options.action == Action::Report) return RunReport(options);

    PortNames names(RootsFromEnvironment());
    names.UsePortsFile(DefaultPortsFile());
    for (const auto& [com, device] : options.maps) {
        if (!names.Map(com, device)) {
            Say("cannot map COM" + std::to_string(com) + " to \"" + device + "\"");
            return ExitUsage;
        }
    }
    // A variable the user set is checked as --map is: it is never quietly
    // replaced by the port's own device.
    if (std::vector<std::string> problems = names.EnvironmentProblems(); !problems.empty()) {
        for (const std::string& problem : problems) Say(problem);
        return ExitUsage;
    }
    // A session tells of them at its start, as every front end does; the
    // actions without one tell of them here.
    if (options.action == Action::Ports || options.portsGiven) {
        for (const std::string& problem : names.PortsFileProblems()) Say(problem + "; the line is skipped");
    }

    if (options.action == Action::Ports) {
        names.Discover();
        Print(FormatPortListing(names));
        return ExitDone;
    }

    InterruptSignals signals;
    if (!signals.Ready()) Say("cannot watch for Ctrl-C; it will end the program at once");

    if (options.portsGiven) {
        names.Discover();
        BankOptions bank;
        bank.ports = options.ports;
        bank.jobs = options.jobs;
        bank.speed = options.speed;
        bank.report = options.report;
        bank.quiet = options.quiet;
        if (options.allPorts) {
            for (const SerialDeviceEntry& entry : names.Devices()) {
                std::vector<unsigned> numbers = names.ComNumbersOf(entry.path);
                if (numbers.empty()) continue;
                // "Every device" means every one that is ours to test.
                OpenError occupied;
                if (DeviceOccupied(entry.path, names.Roots(), occupied)) {
                    char words[DetailSize];
                    RefusalWords(occupied, words, sizeof words);
                    Say("left out COM" + std::to_string(numbers.front()) + " (" + entry.path + "): " + words);
                    continue;
                }
                bank.ports.push_back(numbers.front());
            }
            std::sort(bank.ports.begin(), bank.ports.end());
            if (bank.ports.empty()) {
                Say("this machine has no serial devices to test");
                return ExitPortNotOpened;
            }
        }
        return RunBank(bank, names, signals);
    }

    SimulatorProcess simulator;
    if (!options.simProfile.empty()) {
        std::string error;
        SimulatorStart started = simulator.Start(options.simProfile, signals, error);
        if (started != SimulatorStart::Started) {
            Say(error);
            if (started == SimulatorStart::UsageRefused) return ExitUsage;
            if (started == SimulatorStart::Interrupted) return ExitAborted;
            return ExitPortNotOpened;
        }
        names.Map(options.comNumber, simulator.Device());
    }

    // After the simulator is placed, so a device of the machine is not given
    // the number the simulator stands behind.
    names.Discover();
    int code = RunSession(options, names, signals);
    simulator.Stop();
    return code;
}

}  // namespace
}  // namespace quillfen::cli

int main(int argc, char** argv) {
    // Whatever goes wrong is said, never an abort with a runtime's message;
    // on the way out the port is closed (its settings and lock given back)
    // and the log file keeps what it holds.
    try {
        return quillfen::cli::Run(argc, argv);
    } catch (const std::exception& error) {
        quillfen::cli::SayToStderr(std::string("internal error: ") + error.what());
    } catch (...) {
        quillfen::cli::SayToStderr("internal error of an unknown kind");
    }
    return quillfen::cli::ExitSoftware;
}
