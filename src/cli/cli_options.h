// SPDX-License-Identifier: MIT
// The command line of quillfen-cli: what the user asked for, and the exit codes.
// Owns the parsing of argv into one CliOptions and the help text. A caller
// may rely on: a parse that succeeds names exactly one action with its
// operand, a port from COM1 to COM256 and only well-formed mappings; a
// parse that fails carries one line saying what was wrong.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace quillfen::cli {

// What the process returns; the help text lists the same values.
enum ExitCode : int {
    ExitDone = 0,
    ExitPortNotOpened = 1,
    ExitUsage = 2,
    ExitLogIncomplete = 3,
    ExitHungUp = 4,
    ExitNoModem = 5,  // test-all --ports: a port opened but no modem answered
    ExitSoftware = 70,  // a fault of the program itself (EX_SOFTWARE)
    ExitAborted = 130,
};

enum class Action { Send, Find, Test, TestAll, Ports, Report };

struct CliOptions {
    Action action = Action::Test;
    std::string sendText;
    unsigned comNumber = 1;
    std::vector<std::pair<unsigned, std::string>> maps;
    std::string simProfile;
    std::uint32_t speed = 2400;           // bit/s of every port opened
    bool report = false;                   // test, test-all: the report on stderr after the run
    bool quiet = false;                    // no log on stdout; its summary on stderr at the end
    bool json = false;                     // report: JSON instead of sentences
    std::vector<std::string> logFiles;     // report: the logs to read
    bool portsGiven = false;               // test-all: --ports names the bank
    bool allPorts = false;                 // --ports all: every device the machine has
    std::vector<unsigned> ports;           // --ports COM numbers, ascending, each once
    unsigned jobs = 0;                     // --jobs: ports tested at once; 0 is all of them
};

enum class ParseOutcome { Run, Help, Version, Error };

struct ParseResult {
    ParseOutcome outcome = ParseOutcome::Error;
    CliOptions options;
    std::string error;
};

ParseResult ParseCommandLine(int argc, const char* const* argv);

// "COM1-COM16,COM20" (or "1-16,20") to the COM numbers it names, ascending
// and each once. False with a one-line error for anything else.
bool ParsePortList(std::string_view text, std::vector<unsigned>& ports, std::string& error);

// The help, with the simulator's profiles as its own table names them.
std::string HelpText();

}  // namespace quillfen::cli
