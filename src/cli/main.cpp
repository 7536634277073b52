// quillfen-cli: the modem actions from a shell. Parses the command line,
// puts a simulated modem behind the port when asked, and translates the one
// action into Application calls; the terminal host does the rest.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "app/application.h"
#include "cli/cli_options.h"
#include "cli/interrupt_signals.h"
#include "cli/port_listing.h"
#include "cli/simulator_process.h"
#include "cli/terminal_host.h"
#include "serial/port_names.h"

namespace quillfen::cli {
namespace {

void Say(std::string_view text) {
    std::string line = "quillfen-cli: " + std::string(text) + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

void Print(std::string_view text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Tells where the log went, which is what the user keeps.
void NameLogFile(const std::string& fileName) {
    if (fileName.empty()) {
        Say("no log file was written");
        return;
    }
    std::error_code ec;
    std::filesystem::path where = std::filesystem::current_path(ec);
    std::string shown = ec ? std::string(fileName) : (where / fileName).string();
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

int RunSession(const CliOptions& options, PortNames& names, InterruptSignals& signals) {
    TerminalHost host(signals, static_cast<int>(options.comNumber) - 1);
    Application app(host, names);
    host.Attach(app);
    app.Start();

    switch (options.action) {
        case Action::Send: app.Send(options.sendText); break;
        case Action::Find: app.FindAllModems(); break;
        case Action::Test: app.FaxTestSelectModem(); break;
        case Action::TestAll: app.FaxTestAllModems(); break;
        case Action::Ports: break;
    }

    bool aborted = app.Engine().AbortRequested == 1;
    // A scan closes every port it opened, so only what the host saw while it
    // ran tells whether any port could be opened at all.
    bool scans = options.action == Action::Find || options.action == Action::TestAll;
    bool opened = scans ? host.PortSeenOpen() : app.Port().IsOpen();
    std::string fileName = app.Log().LogFile() >= 0 ? app.Log().FileName() : "";

    app.Shutdown();
    NameLogFile(fileName);
    if (aborted) return ExitAborted;
    return opened ? ExitDone : ExitPortNotOpened;
}

int Run(int argc, char** argv) {
    ParseResult parsed = ParseCommandLine(argc, argv);
    switch (parsed.outcome) {
        case ParseOutcome::Help: Print(HelpText()); return ExitDone;
        case ParseOutcome::Version:
            Print("quillfen-cli (" + std::string(ProductName) + " " + std::string(ProductVersion) + ")\n");
            return ExitDone;
        case ParseOutcome::Error:
            Say(parsed.error);
            Say("try 'quillfen-cli --help'");
            return ExitUsage;
        case ParseOutcome::Run: break;
    }
    const CliOptions& options = parsed.options;

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
