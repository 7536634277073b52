// SPDX-License-Identifier: MIT
// Appending to the desktop program's log pane: 10,000 and then 100,000
// entries of the kinds a capability test writes, into the visible log pane
// the way the Qt host puts them there, with the event loop turning as it
// does between transactions. The time must grow linearly with the number of entries.
// Prints one line: both times and their ratio (10 is linear).
#include <QApplication>

#include <chrono>
#include <cstdio>
#include <string>

#include "qt/main_window.h"
#include "qt/text_pane.h"
#include "serial/port_names.h"
#include "support/fixtures.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* Entries[] = {
    "OUT: AT+FCLASS=?\r\n", "IN : AT+FCLASS=?\r\n", "IN : 0,1,2,2.0\r\n", "IN : OK\r\n",
    "Reset the modem:\r\n", "IN : 24,48,72,73,74,96,97,98,121,122,145,146\r\n",
};

double AppendMs(int count) {
    quillfen::test::TempDir dir;
    quillfen::test::ScopedChdir inDir(dir.Path());
    quillfen::PortNames names;
    quillfen::qt::MainWindow window(names, {});
    window.SetModalRunner([](QDialog&) { return int(QMessageBox::Ok); });
    window.Initialise();
    QApplication::processEvents();

    quillfen::qt::TextPane* pane = window.LogPane();
    const Clock::time_point start = Clock::now();
    for (int i = 0; i < count; ++i) {
        pane->Append(Entries[i % std::size(Entries)]);
        if (i % 20 == 19) QApplication::processEvents();
    }
    QApplication::processEvents();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const double small = AppendMs(10000);
    const double large = AppendMs(100000);
    std::printf("pane_append: 100000 entries %.0f ms, 10000 entries %.0f ms, ratio %.1f (10 is linear)\n", large,
                small, small > 0 ? large / small : 0.0);
    return 0;
}
