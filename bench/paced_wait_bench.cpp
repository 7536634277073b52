// SPDX-License-Identifier: MIT
// How far past its deadline PacedWait returns, for the waits the program
// uses: 0 and 5 ms (the command engine's pauses), 128 ms (the break and the
// first back-off) and 512 ms (the last back-off). Prints one line.
//   paced_wait_bench [DEVICE]
// With a device, the waits run while it is open, as a command's pauses do;
// on Windows that is when the program asks for a fine timer tick.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "host/host.h"
#include "serial/local_device.h"
#include "serial/serial_port.h"

namespace {

// A front end with nothing to do: pumping costs nothing.
class IdleHost : public quillfen::Host {
public:
    void PumpEvents() override {}
    quillfen::BoxAnswer ShowMessageBox(std::string_view, quillfen::BoxIcon, quillfen::BoxButtons) override {
        return quillfen::BoxAnswer::Ok;
    }
    void InsertLogText(std::int32_t, std::string_view) override {}
    int PortSelection() override { return -1; }
    std::size_t ReadCommandText(char* buffer, std::size_t size) override {
        if (size > 0) buffer[0] = '\0';
        return 0;
    }
    void PostCommand(std::uint16_t) override {}
};

struct Case {
    std::uint32_t ms;
    int runs;
};

}  // namespace

int main(int argc, char** argv) {
    using Clock = std::chrono::steady_clock;
    IdleHost host;
    const Case cases[] = {{0, 200}, {5, 100}, {128, 15}, {512, 6}};

    quillfen::LocalDevice device;
    if (argc > 1) {
        quillfen::OpenError error;
        if (!device.Open(argv[1], error)) {
            std::fprintf(stderr, "paced_wait_bench: cannot open %s: error %d\n", argv[1], error.code);
            return 1;
        }
    }
    std::printf("paced_wait_bench overshoot ms (median/worst)%s%s:", argc > 1 ? ", open " : "", argc > 1 ? argv[1] : "");
    const char* separator = " ";
    for (const Case& c : cases) {
        std::vector<double> overshoot;
        overshoot.reserve(static_cast<std::size_t>(c.runs));
        for (int run = 0; run < c.runs; ++run) {
            auto start = Clock::now();
            quillfen::PacedWait(host, c.ms);
            std::chrono::duration<double, std::milli> took = Clock::now() - start;
            overshoot.push_back(took.count() - c.ms);
        }
        std::sort(overshoot.begin(), overshoot.end());
        std::printf("%s%ums %.2f/%.2f", separator, c.ms, overshoot[overshoot.size() / 2], overshoot.back());
        separator = "; ";
    }
    std::printf("\n");
    return 0;
}
