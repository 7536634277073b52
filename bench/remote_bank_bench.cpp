// SPDX-License-Identifier: MIT
// A bank of 8 simulated modems paced at 2400 bit/s, tested with
// `quillfen-cli test-all --ports COM1-COM8 --jobs 8`: on modems reached
// locally, then behind one ser2net (rfc2217://) set up for modems (answers
// passed on as they come, chardelay off), then behind one with ser2net's
// defaults, which hold each piece of an answer back a little to batch it.
// Wall time of each remote bank over the local one (target <= 1.1), and the
// processor time quillfen-cli spent per modem. Takes a minute or two; it is
// not part of `make test`.
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

enum class Behind { Nothing, Ser2netForModems, Ser2netDefaults };

test::ProgramRun RunBank(Behind behind) {
    std::vector<std::unique_ptr<test::ModemSim>> sims;
    std::vector<std::string> devices;
    for (unsigned com = 1; com <= Modems; ++com) {
        sims.push_back(std::make_unique<test::ModemSim>(std::vector<std::string>{"--profile", "fax", "--baud", "2400"}));
        devices.push_back(sims.back()->Device());
    }
    if (behind == Behind::Nothing) return test::RunBankOnce(devices);

    std::vector<std::string> options;
    if (behind == Behind::Ser2netForModems) options.push_back("chardelay: false");
    test::Ser2net server(devices, "telnet(rfc2217)", options);
    if (!server.Problem().empty()) {
        std::fprintf(stderr, "%s\n", server.Problem().c_str());
        return {};
    }
    std::vector<std::string> urls;
    for (unsigned at = 0; at < Modems; ++at) urls.push_back(server.Url(at));
    return test::RunBankOnce(urls);
}

}  // namespace

int main() {
    const test::ProgramRun local = RunBank(Behind::Nothing);
    const test::ProgramRun remote = RunBank(Behind::Ser2netForModems);
    const test::ProgramRun defaults = RunBank(Behind::Ser2netDefaults);
    std::printf(
        "bank of 8 modems at 2400 bit/s behind one ser2net: wall %.1f s against %.1f s local, ratio %.3f "
        "(target <= 1.1; %.3f with ser2net's default chardelay), CPU %.3f s per modem (local %.3f s), "
        "exit codes %d, %d and %d\n",
        remote.wallSeconds, local.wallSeconds, remote.wallSeconds / local.wallSeconds,
        defaults.wallSeconds / local.wallSeconds, remote.cpuSeconds / Modems, local.cpuSeconds / Modems,
        local.exitCode, remote.exitCode, defaults.exitCode);
    return local.exitCode == 0 && remote.exitCode == 0 && defaults.exitCode == 0 ? 0 : 1;
}
