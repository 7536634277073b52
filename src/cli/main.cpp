// quillfen-cli: the modem actions from a shell. Parses the command line,
// puts a simulated modem behind the port when asked, and dispatches the one
// action as the window's button would; its outcome is the exit code.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "app/application.h"
#include "cli/cli_options.h"
#include "cli/interrupt_signals.h"
#include "cli/port_bank.h"
#include "cli/port_listing.h"
#include "cli/simulator_process.h"
#include "cli/terminal_host.h"
#include "report/log_report.h"
#include "serial/port_names.h"

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
    // Only a text whose first character ends a line gets here.
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

void Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Tells where the log went, which is what the user keeps.
void NameLogFile(const std::string& fileName, bool incomplete) {
    if (fileName.empty()) {
        Say("no log file was written");
        return;
    }
    std::error_code ec;
    std::filesystem::path where = std::filesystem::current_path(ec);
    std::string shown = ec ? std::string(fileName) : (where / fileName).string();
    if (incomplete) {
        Say("the log file " + shown + " is incomplete; standard output has the whole log");
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

// The whole file, or false when it cannot be read.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) {
        error = "cannot read " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.clear();
    char chunk[65536];
    std::size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0) bytes.append(chunk, got);
    bool failed = std::ferror(file) != 0;
    std::fclose(file);
    if (failed) error = "cannot read " + path;
    return !failed;
}

// The report on the log just written, on stderr so stdout keeps the log's bytes.
void ReportOnLog(const std::string& fileName) {
    std::string bytes, error;
    if (fileName.empty() || !ReadWholeFile(fileName, bytes, error)) {
        Say(fileName.empty() ? "no log file to report on" : error);
        return;
    }
    std::string text(1, '\n');
    text += report::FormatText(report::ReadLog(bytes), fileName);
    std::fwrite(text.data(), 1, text.size(), stderr);
}

int RunReport(const CliOptions& options) {
    int code = ExitDone;
    std::string text;
    std::vector<std::string> objects;
    for (const std::string& path : options.logFiles) {
        std::string bytes, error;
        if (!ReadWholeFile(path, bytes, error)) {
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
    TerminalHost host(signals, static_cast<int>(options.comNumber) - 1, options.sendText);
    Application app(host, names);
    host.Attach(app);
    app.SetLineSpeed(options.speed);
    app.Start();

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
    app.Log().ReportFileFailure();
    const bool incomplete = app.Log().FileIncomplete();
    NameLogFile(app.LogFileName(), incomplete);
    if (options.report) ReportOnLog(app.LogFileName());

    // The log file is what the user keeps, so its loss outranks every other
    // outcome; a hang-up outranks a plain end, not the user's own abort.
    int code = ExitCodeFor(outcome);
    if (host.HangUpSeen() && (code == ExitDone || code == ExitPortNotOpened)) code = ExitHungUp;
    if (incomplete) code = ExitLogIncomplete;
    return code;
}

int Run(int argc, char** argv) {
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
    for (const auto& [com, device] : options.maps) {
        if (!names.Map(com, device)) {
            Say("cannot map COM" + std::to_string(com) + " to \"" + device + "\"");
            return ExitUsage;
        }
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
        if (options.allPorts) {
            for (const SerialDeviceEntry& entry : names.Devices()) {
                std::vector<unsigned> numbers = names.ComNumbersOf(entry.path);
                if (!numbers.empty()) bank.ports.push_back(numbers.front());
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

int main(int argc, char** argv) { return quillfen::cli::Run(argc, argv); }
