// quillfen-cli run as a user runs it, for tests: the real binary started in
// a directory, its stdout and stderr collected, and actions (signals, input)
// fired once a stream has shown a given text a given number of times.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace quillfen::test {

struct CliRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
    bool allTriggersFired = false;
};

struct CliTrigger {
    bool onStderr;
    std::string needle;
    std::size_t occurrence;
    std::function<void(pid_t)> action;
};

std::size_t CountOf(const std::string& text, const std::string& needle);

// Runs quillfen-cli with args in dir; stdin is /dev/null, and stderr a pipe
// or, with stderrTerminal, a pseudo-terminal. Gives up (and kills it) after
// five minutes, far above any real run.
CliRun RunQuillfenCli(const std::vector<std::string>& args, const std::string& dir,
                      std::vector<CliTrigger> triggers = {}, bool stderrTerminal = false);

}  // namespace quillfen::test
