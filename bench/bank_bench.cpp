// A bank of 8 simulated modems paced at 2400 bit/s, tested with
// `quillfen-cli test-all --ports COM1-COM8 --jobs 8`, against one modem
// tested the same way: wall time of the bank over the wall time of one
// (target <= 1.25), and the processor time the program spent per modem.
// Takes a few minutes; it is not part of `make test`.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/run_program.h"

using namespace quillfen;

namespace {

struct Timing {
    double wall = 0;
    double cpu = 0;  // user + system of quillfen-cli
    int exitCode = -1;
};

Timing RunBank(unsigned modems) {
    std::vector<std::unique_ptr<test::ModemSim>> sims;
    std::vector<std::string> argv{QUILLFEN_CLI_PATH, "test-all",
                                  "--ports",         "COM1-COM" + std::to_string(modems),
                                  "--jobs",          std::to_string(modems)};
    for (unsigned com = 1; com <= modems; ++com) {
        sims.push_back(
            std::make_unique<test::ModemSim>(std::vector<std::string>{"--profile", "fax", "--baud", "2400"}));
        argv.push_back("--map");
        argv.push_back("COM" + std::to_string(com) + "=" + sims.back()->Device());
    }
    test::TempDir dir;
    // Its output is collected and dropped. An hour is far above the few
    // minutes a bank takes; only a hang reaches it.
    test::ProgramOptions options;
    options.limit = std::chrono::hours(1);
    Timing timing;
    auto started = std::chrono::steady_clock::now();
    const test::ProgramRun run = test::RunProgram(std::move(argv), dir.Path(), {}, options);
    if (!run.started) return timing;
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    timing.cpu = run.cpuSeconds;
    timing.exitCode = run.exitCode;
    return timing;
}

}  // namespace

int main() {
    const Timing one = RunBank(1);
    const Timing eight = RunBank(8);
    std::printf(
        "bank of 8 modems at 2400 bit/s, --jobs 8: wall %.1f s against %.1f s for one, ratio %.3f "
        "(target <= 1.25), CPU %.3f s per modem (one alone %.3f s), exit codes %d and %d\n",
        eight.wall, one.wall, eight.wall / one.wall, eight.cpu / 8, one.cpu, one.exitCode, eight.exitCode);
    return one.exitCode == 0 && eight.exitCode == 0 ? 0 : 1;
}
