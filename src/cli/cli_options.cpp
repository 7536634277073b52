// SPDX-License-Identifier: MIT
#include "cli/cli_options.h"

#include <array>
#include <charconv>
#include <optional>

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

ParseResult Fail(std::string message) {
    ParseResult result;
    result.outcome = ParseOutcome::Error;
    result.error = std::move(message);
    return result;
}

// Each handler takes its option's value (empty for one that takes none) and
// returns what was wrong with it, or nothing.
using OptionHandler = std::string (*)(std::string_view value, ParseResult& result);

std::string TakePort(std::string_view value, ParseResult& result) {
    result.options.comNumber = ParseComNumber(value);
    if (result.options.comNumber != 0) return {};
    return "--port wants a port from COM1 to COM256, not \"" + std::string(value) + "\"";
}

std::string TakeMap(std::string_view value, ParseResult& result) {
    std::size_t equals = value.find('=');
    unsigned com = equals == std::string_view::npos ? 0 : ParseComNumber(value.substr(0, equals));
    if (com == 0 || equals + 1 >= value.size()) {
        return "--map wants COMn=DEVICE with n from 1 to 256, not \"" + ShownName(std::string(value)) + "\"";
    }
    std::string device(value.substr(equals + 1));
    if (std::string problem = DeviceNameProblem(device); !problem.empty()) {
        return "--map COM" + std::to_string(com) + ": \"" + ShownName(device) + "\" names no port: " + problem;
    }
    result.options.maps.emplace_back(com, std::move(device));
    return {};
}

std::string TakeSim(std::string_view value, ParseResult& result) {
    if (value.empty()) return "--sim needs a profile name";
    result.options.simProfile = std::string(value);
    return {};
}

// The whole of text as a number, or false.
template <typename Number>
bool WholeNumber(std::string_view text, Number& number) {
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), number);
    return ec == std::errc() && end == text.data() + text.size();
}

std::string TakeSpeed(std::string_view value, ParseResult& result) {
    std::uint32_t speed = 0;
    if (WholeNumber(value, speed) && IsLineSpeed(speed)) {
        result.options.speed = speed;
        return {};
    }
    std::string error = "--speed wants one of ";
    const char* separator = "";
    for (std::uint32_t each : LineSpeeds()) {
        error += separator + std::to_string(each);
        separator = ", ";
    }
    return error + "; not \"" + std::string(value) + "\"";
}

std::string TakePorts(std::string_view value, ParseResult& result) {
    std::string error;
    result.options.portsGiven = true;
    result.options.allPorts = value == "all";
    if (!result.options.allPorts) ParsePortList(value, result.options.ports, error);
    return error;
}

std::string TakeJobs(std::string_view value, ParseResult& result) {
    unsigned jobs = 0;
    if (!WholeNumber(value, jobs) || jobs < 1 || jobs > JobsLimit) {
        return "--jobs wants a number from 1 to 256, not \"" + std::string(value) + "\"";
    }
    result.options.jobs = jobs;
    return {};
}

struct OptionRow {
    std::string_view name;
    std::string_view shortName;  // empty when there is none
    bool takesValue;             // as "--name VALUE" or "--name=VALUE"
    OptionHandler handle;
};

constexpr OptionRow Options[] = {
    {"--help", "-h", false, [](std::string_view, ParseResult& r) -> std::string {
         r.outcome = ParseOutcome::Help;
         return {};
     }},
    {"--version", "", false, [](std::string_view, ParseResult& r) -> std::string {
         r.outcome = ParseOutcome::Version;
         return {};
     }},
    {"--port", "", true, TakePort},
    {"--map", "", true, TakeMap},
    {"--sim", "", true, TakeSim},
    {"--speed", "", true, TakeSpeed},
    {"--ports", "", true, TakePorts},
    {"--jobs", "", true, TakeJobs},
    {"--report", "", false, [](std::string_view, ParseResult& r) -> std::string {
         r.options.report = true;
         return {};
     }},
    {"--quiet", "-q", false, [](std::string_view, ParseResult& r) -> std::string {
         r.options.quiet = true;
         return {};
     }},
    {"--json", "", false, [](std::string_view, ParseResult& r) -> std::string {
         r.options.json = true;
         return {};
     }},
};

// The row arg names, with its value when it was given as "--name=VALUE".
const OptionRow* FindOption(std::string_view arg, std::optional<std::string_view>& inlineValue) {
    for (const OptionRow& row : Options) {
        if (arg == row.name || (!row.shortName.empty() && arg == row.shortName)) return &row;
        if (row.takesValue && arg.size() > row.name.size() && arg.substr(0, row.name.size()) == row.name &&
            arg[row.name.size()] == '=') {
            inlineValue = arg.substr(row.name.size() + 1);
            return &row;
        }
    }
    return nullptr;
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

        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            std::optional<std::string_view> value;
            const OptionRow* row = FindOption(arg, value);
            if (!row) return Fail("unknown option \"" + std::string(arg) + "\"");
            if (row->takesValue && !value) {
                if (index + 1 >= argc) return Fail(std::string(row->name) + " needs a value");
                value = argv[++index];
            }
            if (std::string error = row->handle(value.value_or(""), result); !error.empty()) return Fail(error);
            if (result.outcome == ParseOutcome::Help || result.outcome == ParseOutcome::Version) return result;
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
