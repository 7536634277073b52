// A bank of 8 simulated modems paced at 2400 bit/s, tested with
// `quillfen-cli test-all --ports COM1-COM8 --jobs 8`: on modems reached
// locally, then behind one ser2net (rfc2217://) set up for modems (answers
// passed on as they come, chardelay off), then behind one with ser2net's
// defaults, which hold each piece of an answer back a little to batch it.
// Wall time of each remote bank over the local one (target <= 1.1), and the
// processor time quillfen-cli spent per modem. Takes a minute or two; it is
// not part of `make test`.
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/run_program.h"
#include "support/ser2net.h"

using namespace quillfen;

namespace {

constexpr unsigned Modems = 8;

struct Timing {
    double wall = 0;
    double cpu = 0;  // user + system of quillfen-cli
    int exitCode = -1;
};

enum class Behind { Nothing, Ser2netForModems, Ser2netDefaults };

Timing RunBank(Behind behind) {
    const bool remote = behind != Behind::Nothing;
    std::vector<std::unique_ptr<test::ModemSim>> sims;
    std::vector<std::string> devices;
    for (unsigned com = 1; com <= Modems; ++com) {
        sims.push_back(std::make_unique<test::ModemSim>(std::vector<std::string>{"--profile", "fax", "--baud", "2400"}));
        devices.push_back(sims.back()->Device());
    }
    std::unique_ptr<test::Ser2net> server;
    if (remote) {
        std::vector<std::string> options;
        if (behind == Behind::Ser2netForModems) options.push_back("chardelay: false");
        server = std::make_unique<test::Ser2net>(devices, "telnet(rfc2217)", options);
        if (!server->Problem().empty()) {
            std::fprintf(stderr, "%s\n", server->Problem().c_str());
            return {};
        }
    }
    std::vector<std::string> argv{QUILLFEN_CLI_PATH, "test-all", "--ports", "COM1-COM" + std::to_string(Modems),
                                  "--jobs", std::to_string(Modems)};
    for (unsigned com = 1; com <= Modems; ++com) {
        argv.push_back("--map");
        argv.push_back("COM" + std::to_string(com) + "=" + (remote ? server->Url(com - 1) : devices[com - 1]));
    }
    test::TempDir dir;
    test::ProgramOptions options;
    // Far above the few minutes a bank takes; only a hang reaches it.
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
    const Timing local = RunBank(Behind::Nothing);
    const Timing remote = RunBank(Behind::Ser2netForModems);
    const Timing defaults = RunBank(Behind::Ser2netDefaults);
    std::printf(
        "bank of 8 modems at 2400 bit/s behind one ser2net: wall %.1f s against %.1f s local, ratio %.3f "
        "(target <= 1.1; %.3f with ser2net's default chardelay), CPU %.3f s per modem (local %.3f s), "
        "exit codes %d, %d and %d\n",
        remote.wall, local.wall, remote.wall / local.wall, defaults.wall / local.wall, remote.cpu / Modems,
        local.cpu / Modems, local.exitCode, remote.exitCode, defaults.exitCode);
    return local.exitCode == 0 && remote.exitCode == 0 && defaults.exitCode == 0 ? 0 : 1;
}
