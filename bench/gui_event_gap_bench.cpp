// SPDX-License-Identifier: MIT
// How long the desktop program's event loop goes without a turn while a
// capability test runs against the simulated fax modem. A zero-interval
// timer fires on every turn; the gaps between its firings are what a user
// feels as a window that does not repaint or answer Abort Event.
// Prints one line: the gaps' p50, p99 and max, against a target of 60 ms.
#include <QApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "qt/main_window.h"
#include "qt/port_list.h"
#include "serial/port_names.h"
#include "support/fixtures.h"

namespace {

using Clock = std::chrono::steady_clock;

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const std::size_t index = std::min(values.size() - 1, static_cast<std::size_t>(p * (values.size() - 1) + 0.5));
    return values[index];
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    constexpr int Runs = 3;

    std::vector<double> gaps;
    long turns = 0;
    double seconds = 0;
    for (int run = 0; run < Runs; ++run) {
        quillfen::test::ModemSim sim;
        quillfen::test::TempDir dir;
        quillfen::test::ScopedChdir inDir(dir.Path());
        quillfen::PortNames names;
        names.Map(1, sim.Device());
        quillfen::qt::MainWindow window(names, {});
        window.SetModalRunner([](QDialog&) { return int(QMessageBox::Ok); });
        window.Initialise();
        window.Ports()->setCurrentIndex(0);

        Clock::time_point last{};
        QTimer turn;
        turn.setInterval(0);
        QObject::connect(&turn, &QTimer::timeout, [&] {
            const Clock::time_point now = Clock::now();
            if (last != Clock::time_point{})
                gaps.push_back(std::chrono::duration<double, std::milli>(now - last).count());
            last = now;
            ++turns;
        });
        turn.start();
        const Clock::time_point start = Clock::now();
        window.DispatchCommand(quillfen::qt::id::FaxTestSelectModem);
        seconds += std::chrono::duration<double>(Clock::now() - start).count();
        turn.stop();
    }

    std::printf("gui_event_gap: %d capability tests (%.1f s, %ld event-loop turns): gap p50 %.1f ms, p99 %.1f ms, "
                "max %.1f ms (target <= 60 ms)\n",
                Runs, seconds, turns, Percentile(gaps, 0.50), Percentile(gaps, 0.99),
                gaps.empty() ? 0.0 : *std::max_element(gaps.begin(), gaps.end()));
    return 0;
}
