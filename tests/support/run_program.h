// SPDX-License-Identifier: MIT
// A program run as a user runs it, for tests and benchmarks: started in a
// directory, its stdout and stderr collected, actions (signals, input) fired
// once a stream has shown a given text a given number of times, and killed
// should it outlive a time limit.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace quillfen::test {

struct ProgramRun {
    bool started = false;
    std::string startFailure;  // why it could not be started, when it was not
    bool timedOut = false;     // killed at the time limit
    int exitCode = -1;         // -1 when it did not exit normally
    std::string out;
    std::string err;
    bool allTriggersFired = false;
    double cpuSeconds = 0;   // user + system time of the program itself
    double wallSeconds = 0;  // from its start to its end
};

// Fires its action once the stream has shown the needle `occurrence` times.
// Triggers fire in order: one waits for those before it.
struct ProgramTrigger {
    bool onStderr;
    std::string needle;
    std::size_t occurrence;
    std::function<void(pid_t)> action;
};

struct ProgramOptions {
    int stdinFd = -1;             // -1: stdin is /dev/null
    bool stderrTerminal = false;  // stderr a pseudo-terminal rather than a pipe
    // A program (strace, prlimit) the program runs under, with its arguments;
    // braced, so that a designated initializer may leave it out.
    std::vector<std::string> wrapper{};
    // Far above any real run; only a hang reaches it.
    std::chrono::steady_clock::duration limit = std::chrono::minutes(5);
};

// Runs argv (argv[0] a path) in dir with the environment of this process.
ProgramRun RunProgram(std::vector<std::string> argv, const std::string& dir,
                      const std::vector<ProgramTrigger>& triggers = {}, const ProgramOptions& options = {});

// `quillfen-cli test-all` on COM1 to COMn at once, with devices[i] behind
// COM(i+1), in a fresh directory, its output dropped: for the benchmarks,
// with an hour's limit.
ProgramRun RunBankOnce(const std::vector<std::string>& devices);

// Starts argv (argv[0] a path) in dir with stdin from /dev/null and stdout
// and stderr appended to logPath, and returns its pid without waiting: for
// servers, and for programs whose children keep inherited pipes open.
// -1 when it could not be started.
pid_t StartDetached(std::vector<std::string> argv, const std::string& dir, const std::string& logPath);

// For callers under GoogleTest: a failure for a run that did not start or
// hit the limit, and for a trigger that never fired.
void ExpectRanToTheEnd(const ProgramRun& run, const std::string& name);

using CliRun = ProgramRun;

// Runs quillfen-cli with args in dir, expecting it to run to its end.
CliRun RunQuillfenCli(const std::vector<std::string>& args, const std::string& dir,
                      const std::vector<ProgramTrigger>& triggers = {}, const ProgramOptions& options = {});

// The Modem*.txt files in dir, sorted by name.
std::vector<std::string> LogFiles(const std::string& dir);

}  // namespace quillfen::test
