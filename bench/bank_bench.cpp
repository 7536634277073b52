// SPDX-License-Identifier: MIT
// A bank of 8 simulated modems paced at 2400 bit/s, tested with
// `quillfen-cli test-all --ports COM1-COM8 --jobs 8`, against one modem
// tested the same way: wall time of the bank over the wall time of one
// (target <= 1.25), and the processor time the program spent per modem.
// Takes a few minutes; it is not part of `make test`.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/fixtures.h"
#include "support/run_program.h"

using namespace quillfen;

namespace {

test::ProgramRun RunBank(unsigned modems) {
    std::vector<std::unique_ptr<test::ModemSim>> sims;
    std::vector<std::string> devices;
    for (unsigned com = 1; com <= modems; ++com) {
        sims.push_back(
            std::make_unique<test::ModemSim>(std::vector<std::string>{"--profile", "fax", "--baud", "2400"}));
        devices.push_back(sims.back()->Device());
    }
    return test::RunBankOnce(devices);
}

}  // namespace

int main() {
    const test::ProgramRun one = RunBank(1);
    const test::ProgramRun eight = RunBank(8);
    std::printf(
        "bank of 8 modems at 2400 bit/s, --jobs 8: wall %.1f s against %.1f s for one, ratio %.3f "
        "(target <= 1.25), CPU %.3f s per modem (one alone %.3f s), exit codes %d and %d\n",
        eight.wallSeconds, one.wallSeconds, eight.wallSeconds / one.wallSeconds, eight.cpuSeconds / 8,
        one.cpuSeconds, one.exitCode, eight.exitCode);
    return one.exitCode == 0 && eight.exitCode == 0 ? 0 : 1;
}
