// SPDX-License-Identifier: MIT
// The capability test against the simulated fax modem, timed against the
// floor the program's own pauses impose: 15 ms a transaction (two 5 ms
// pauses around the write and one at the first line) plus 5 ms for every
// further line. With --baud N the simulator paces its output and the floor
// also holds the wire time of every byte it sent (10 bits a byte).
//
//   capability_test_bench            no pacing
//   capability_test_bench 2400       at 2400 bit/s
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/application.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"
#include "support/transcript.h"

using namespace quillfen;

namespace {

std::size_t Count(const std::string& text, const std::string& what, std::size_t from) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what, from); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

}  // namespace

int main(int argc, char** argv) {
    const int baud = argc > 1 ? std::atoi(argv[1]) : 0;
    test::TempDir dir;
    test::ScopedChdir cwd(dir.Path());
    std::vector<std::string> args{"--profile", "fax", "--transcript", dir.File("transcript.txt")};
    if (baud > 0) {
        args.push_back("--baud");
        args.push_back(std::to_string(baud));
    }
    test::ModemSim sim(args);
    test::ScriptedHost host;
    host.selection = 0;
    PortNames names;
    names.Map(1, sim.Device());
    Application app(host, names);
    app.Start();
    const std::size_t startup = host.pane.find("follow ===============");

    auto started = std::chrono::steady_clock::now();
    app.DispatchCommand(id::FaxTestSelectModem);
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    app.Shutdown();
    sim.Stop();

    // The open's break (128 ms) belongs to the floor too.
    const std::size_t transactions = Count(host.pane, "\nOUT: ", startup);
    const std::size_t lines = Count(host.pane, "\nIN : ", startup);
    double floor = 0.128 + 0.015 * static_cast<double>(transactions) +
                   0.005 * static_cast<double>(lines > transactions ? lines - transactions : 0);
    double wire = 0;
    if (baud > 0) {
        wire = static_cast<double>(test::ModemBytes(test::ReadFile(dir.File("transcript.txt"))).size()) * 10.0 / baud;
    }
    std::printf("capability test (fax%s): %zu transactions, %zu IN lines, wall %.3f s, floor %.3f s%s, ratio %.3f%s\n",
                baud > 0 ? (", " + std::to_string(baud) + " bit/s").c_str() : ", no pacing", transactions, lines,
                wall, floor, baud > 0 ? (" + wire " + std::to_string(wire).substr(0, 5) + " s").c_str() : "",
                wall / (floor + wire), baud > 0 ? "" : " (target <= 1.15)");
    return 0;
}
