// SPDX-License-Identifier: MIT
#include "cli/cli_options.h"

#include <array>
#include <charconv>

#include "cli/simulator_process.h"
#include "serial/device_name.h"
#include "serial/port_names.h"
#include "serial/serial_device.h"

namespace quillfen::cli {
namespace {

enum class Operands { None, OneText, Files };

struct ActionWord {
    std::string_view word;
    Action action;
    Operands operands;
};

constexpr std::array<ActionWord, 6> ActionWords{{
    {"send", Action::Send, Operands::OneText},
    {"find", Action::Find, Operands::None},
    {"test", Action::Test, Operands::None},
    {"test-all", Action::TestAll, Operands::None},
    {"ports", Action::Ports, Operands::None},
    {"report", Action::Report, Operands::Files},
}};

// The most ports a bank may name: every COM number there is.
constexpr unsigned JobsLimit = HighestComNumber;

constexpr std::string_view Help =
    "Usage: quillfen-cli [--port COMn] [--map COMn=DEVICE]... [--sim PROFILE] [--speed BITS]\n"
    "                    [--quiet] [--report] ACTION\n"
    "       quillfen-cli test-all --ports LIST [--jobs N] [--map COMn=DEVICE]... [--quiet] [--report]\n"
    "       quillfen-cli report [--json] LOGFILE...\n"
    "\n"
    "Examines the modem on a serial port with Hayes AT commands. Everything the\n"
    "session logs is written to a new ModemNNN.txt in the current directory and,\n"
    "byte for byte, to standard output. Messages go to standard error.\n"
    "\n"
    "Actions:\n"
    "  send TEXT   send one command (at most 54 characters, up to its first line\n"
    "              end) and log the answer\n"
    "  find        find which of COM1 to COM4 carry a modem that answers\n"
    "  test        run the capability test on the selected port\n"
    "  test-all    run the capability test on every modem found on COM1 to COM4,\n"
    "              or with --ports on every port of LIST at once\n"
    "  ports       list the serial devices of this machine and their COM numbers\n"
    "  report      read session logs and tell what each tested modem can do\n"
    "\n"
    "COM numbers: a ttyS port with a UART keeps its own number (ttyS0 is COM1);\n"
    "ttyACM, ttyUSB and rfcomm devices, in that order, take the lowest free ones.\n"
    "A port that is a system console or that another program holds is left alone.\n"
    "\n"
    "Options:\n"
    "  --port COMn          the port for send and test (default COM1)\n"
    "  --map COMn=DEVICE    open DEVICE for COMn; may be repeated and wins over\n"
    "                       the environment variable QUILLFEN_COMn\n"
    "  --sim PROFILE        start quillfen-modemsim with PROFILE on a pseudo-terminal,\n"
    "                       use it as the selected port and stop it at the end;\n"
    "                       $PROFILES\n"
    "  --speed BITS         line speed of the port (default 2400; 300 to 230400)\n"
    "  --quiet              nothing on standard output: the log goes to its file only,\n"
    "                       and its one-line summary to standard error at the end\n"
    "  --report             test, test-all: print the report on standard error at the end\n"
    "  --ports LIST         test-all: the bank, e.g. COM1-COM16,COM20, or all for every\n"
    "                       serial device of this machine; one log per port\n"
    "  --jobs N             test-all --ports: test at most N ports at once (default all)\n"
    "  --json               report: one JSON document instead of sentences\n"
    "  --help               show this text\n"
    "  --version            show the version\n"
    "\n"
    "Ctrl-C aborts the running action; a second Ctrl-C ends the session.\n"
    "If the port cannot be opened and standard input is a terminal, you are asked\n"
    "whether to retry; otherwise the open is given up.\n"
    "\n"
    "Exit codes:\n"
    "  0    done\n"
    "  1    the port could not be opened (find and test-all: none of COM1 to COM4;\n"
    "       test-all --ports: some port of the bank)\n"
    "  2    usage error, a send text with nothing before its first line end, or a\n"
    "       log that report cannot read (report reads regular files up to 1 GiB)\n"
    "  3    the log file is incomplete or none could be made (standard output has\n"
    "       all unless --quiet); test-all --ports: a port got no log file, or an\n"
    "       incomplete one\n"
    "  4    the modem hung up or went away during the session\n"
    "  5    test-all --ports: a port opened but no modem answered on it\n"
    "  70   an internal error of the program (it is named on standard error)\n"
    "  130  aborted\n"
    "With --ports the code is the worst of the ports: 3, then 130, then 4, then 1,\n"
    "then 5.\n";

// Splits "--name=value" so that both spellings of an option are accepted.
bool TakeOptionValue(std::string_view arg, std::string_view name, int& index, int argc,
                     const char* const* argv, std::string_view& value, std::string& error) {
    if (arg == name) {
        if (index + 1 >= argc) {
            error = std::string(name) + " needs a value";
            return false;
        }
        value = argv[++index];
        return true;
    }
    value = arg.substr(name.size() + 1);
    return true;
}

bool MatchesOption(std::string_view arg, std::string_view name) {
    return arg == name || (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                           arg[name.size()] == '=');
}

ParseResult Fail(std::string message) {
    ParseResult result;
    result.outcome = ParseOutcome::Error;
    result.error = std::move(message);
    return result;
}

}  // namespace

bool ParsePortList(std::string_view text, std::vector<unsigned>& ports, std::string& error) {
    std::array<bool, HighestComNumber + 1> named{};
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t comma = text.find(',', at);
        std::string_view item = text.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
        at = comma == std::string_view::npos ? text.size() + 1 : comma + 1;
        std::size_t dash = item.find('-');
        unsigned first = ParseComNumber(item.substr(0, dash));
        unsigned last = dash == std::string_view::npos ? first : ParseComNumber(item.substr(dash + 1));
        if (first == 0 || last == 0 || last < first) {
            error = "--ports wants COM numbers and ranges such as COM1-COM16,COM20, or all; not \"" +
                    std::string(item) + "\"";
            return false;
        }
        for (unsigned com = first; com <= last; ++com) named[com] = true;
    }
    ports.clear();
    for (unsigned com = 1; com <= HighestComNumber; ++com)
        if (named[com]) ports.push_back(com);
    return true;
}

ParseResult ParseCommandLine(int argc, const char* const* argv) {
    ParseResult result;
    CliOptions& options = result.options;
    bool haveAction = false;
    bool optionsEnded = false;

    for (int index = 1; index < argc; ++index) {
        std::string_view arg = argv[index];
        std::string_view value;

        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
            } else if (arg == "--help" || arg == "-h") {
                result.outcome = ParseOutcome::Help;
                return result;
            } else if (arg == "--version") {
                result.outcome = ParseOutcome::Version;
                return result;
            } else if (MatchesOption(arg, "--port")) {
                if (!TakeOptionValue(arg, "--port", index, argc, argv, value, result.error)) return Fail(result.error);
                options.comNumber = ParseComNumber(value);
                if (options.comNumber == 0) {
                    return Fail("--port wants a port from COM1 to COM256, not \"" + std::string(value) + "\"");
                }
            } else if (MatchesOption(arg, "--map")) {
                if (!TakeOptionValue(arg, "--map", index, argc, argv, value, result.error)) return Fail(result.error);
                std::size_t equals = value.find('=');
                unsigned com = equals == std::string_view::npos ? 0 : ParseComNumber(value.substr(0, equals));
                if (com == 0 || equals + 1 >= value.size()) {
                    return Fail("--map wants COMn=DEVICE with n from 1 to 256, not \"" + ShownName(std::string(value)) +
                                "\"");
                }
                std::string device(value.substr(equals + 1));
                if (std::string problem = DeviceNameProblem(device); !problem.empty()) {
                    return Fail("--map COM" + std::to_string(com) + ": \"" + ShownName(device) + "\" names no port: " +
                                problem);
                }
                options.maps.emplace_back(com, std::move(device));
            } else if (MatchesOption(arg, "--sim")) {
                if (!TakeOptionValue(arg, "--sim", index, argc, argv, value, result.error)) return Fail(result.error);
                if (value.empty()) return Fail("--sim needs a profile name");
                options.simProfile = std::string(value);
            } else if (MatchesOption(arg, "--speed")) {
                if (!TakeOptionValue(arg, "--speed", index, argc, argv, value, result.error)) return Fail(result.error);
                std::uint32_t speed = 0;
                auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), speed);
                if (ec != std::errc() || end != value.data() + value.size() || !IsLineSpeed(speed)) {
                    return Fail("--speed wants one of 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, "
                                "115200, 230400; not \"" + std::string(value) + "\"");
                }
                options.speed = speed;
            } else if (MatchesOption(arg, "--ports")) {
                if (!TakeOptionValue(arg, "--ports", index, argc, argv, value, result.error)) return Fail(result.error);
                options.portsGiven = true;
                options.allPorts = value == "all";
                if (!options.allPorts && !ParsePortList(value, options.ports, result.error)) return Fail(result.error);
            } else if (MatchesOption(arg, "--jobs")) {
                if (!TakeOptionValue(arg, "--jobs", index, argc, argv, value, result.error)) return Fail(result.error);
                unsigned jobs = 0;
                auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), jobs);
                if (ec != std::errc() || end != value.data() + value.size() || jobs < 1 || jobs > JobsLimit) {
                    return Fail("--jobs wants a number from 1 to 256, not \"" + std::string(value) + "\"");
                }
                options.jobs = jobs;
            } else if (arg == "--report") {
                options.report = true;
            } else if (arg == "--quiet" || arg == "-q") {
                options.quiet = true;
            } else if (arg == "--json") {
                options.json = true;
            } else {
                return Fail("unknown option \"" + std::string(arg) + "\"");
            }
            continue;
        }

        if (haveAction && options.action == Action::Report) {
            options.logFiles.emplace_back(arg);
            continue;
        }
        if (haveAction) return Fail("unexpected \"" + std::string(arg) + "\" after the action");
        const ActionWord* found = nullptr;
        for (const ActionWord& word : ActionWords) {
            if (word.word == arg) found = &word;
        }
        if (!found) return Fail("unknown action \"" + std::string(arg) + "\"");
        options.action = found->action;
        haveAction = true;
        if (found->operands == Operands::OneText) {
            // The text is the modem's business: it may begin with '-'.
            if (index + 1 >= argc) return Fail("send needs the command text, e.g. send ATI3");
            options.sendText = argv[++index];
            if (options.sendText.empty()) return Fail("send needs a command to send; an empty text sends nothing");
            // Judged here, before a log or a port is opened, so the answer
            // does not hang on whether the port opens.
            if (options.sendText.find_first_of("\r\n") == 0) {
                return Fail("send takes the text up to its first line end, and nothing stands before it");
            }
        }
    }

    if (!haveAction) return Fail("no action given (send TEXT, find, test, test-all, ports or report)");
    if (options.action == Action::Report && options.logFiles.empty()) {
        return Fail("report needs at least one log file, e.g. report Modem001.txt");
    }
    if (options.json && options.action != Action::Report) return Fail("--json applies to report only");
    if (options.quiet && (options.action == Action::Ports || options.action == Action::Report)) {
        return Fail("--quiet applies to send, find, test and test-all only");
    }
    if (options.report && options.action != Action::Test && options.action != Action::TestAll) {
        return Fail("--report applies to test and test-all only");
    }
    if ((options.portsGiven || options.jobs != 0) && options.action != Action::TestAll) {
        return Fail("--ports and --jobs apply to test-all only");
    }
    if (options.jobs != 0 && !options.portsGiven) return Fail("--jobs needs --ports");
    if (options.portsGiven && !options.simProfile.empty()) {
        return Fail("--sim puts one modem behind one port; give a bank its devices with --map");
    }
    if (!options.simProfile.empty()) {
        if (options.action == Action::Ports || options.action == Action::Report) {
            return Fail("--sim does not apply to ports or report");
        }
        bool scans = options.action == Action::Find || options.action == Action::TestAll;
        if (scans && options.comNumber > 4) {
            return Fail("find and test-all scan COM1 to COM4; with --sim, --port must name one of them");
        }
    }
    result.outcome = ParseOutcome::Run;
    return result;
}

std::string HelpText() {
    // The simulator's profiles follow on, wrapped under the option's description.
    constexpr std::string_view Marker = "$PROFILES";
    constexpr std::size_t Indent = 23;
    constexpr std::size_t Width = 79;
    const std::size_t at = Help.find(Marker);
    const std::vector<std::string_view> names = SimulatorProfiles();
    std::string text(Help.substr(0, at));
    std::string line(names.empty() ? "not here: the simulator needs a POSIX system" : "PROFILE is one of");
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string name = std::string(names[i]) + (i + 1 < names.size() ? "," : "");
        if (Indent + line.size() + 1 + name.size() > Width) {
            text += line + "\n" + std::string(Indent, ' ');
            line = name;
        } else {
            line += " " + name;
        }
    }
    text += line;
    text += Help.substr(at + Marker.size());
    return text;
}

}  // namespace quillfen::cli
