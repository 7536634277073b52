// SPDX-License-Identifier: MIT
// quillfen-screenshot OUTPUT.png [restored|help|report|about]: runs Fax Test
// Select Modem against the simulated fax modem in the real main window and
// saves a picture of the window with the finished log in it, for the README.
// With "restored" the window keeps its own restored size; with "help" the
// help pane is shown over the log, with "report" the test's report; "about"
// pictures the About box instead.
#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

#include "qt/about_box.h"
#include "qt/port_list.h"
#include "qt/text_pane.h"
#include "qt/window_harness.h"

int main(int argc, char** argv) {
    const QByteArray view = argc == 3 ? QByteArray(argv[2]) : QByteArray();
    if (argc < 2 || argc > 3 || !(view.isEmpty() || view == "restored" || view == "help" || view == "report" || view == "about")) {
        std::fprintf(stderr, "usage: quillfen-screenshot OUTPUT.png [restored|help|report|about]\n");
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Absolute, because the window runs in a temporary directory.
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath();
    QApplication application(argc, argv);

    quillfen::test::ModemSim sim;
    quillfen::qt::test::WindowHarness h;
    h.Map(1, sim.Device());
    h.Window().Initialise();
    quillfen::qt::MainWindow& window = h.Window();

    // A desktop-sized window rather than the offscreen screen's size.
    window.showNormal();
    if (view != "restored") window.resize(980, 660);
    window.Ports()->setCurrentIndex(0);
    window.DispatchCommand(quillfen::qt::id::FaxTestSelectModem);
    static_cast<QLineEdit*>(window.Control(quillfen::qt::id::CommandEdit))->setText("ATI3");

    // Show the class results rather than the last lines of the log.
    QTextCursor cursor = window.LogPane()->document()->find("This FaxModem supports Class 1");
    cursor.movePosition(QTextCursor::StartOfBlock);
    window.LogPane()->setTextCursor(cursor);
    window.LogPane()->centerCursor();
    if (view == "help") window.DispatchCommand(quillfen::qt::id::OpenHelp);
    if (view == "report") {
        window.DispatchCommand(quillfen::qt::id::Report);
        // Open at the verdict, which is what the reader came for.
        QTextCursor verdict = window.ReportPane()->document()->find("Oddities:");
        verdict.movePosition(QTextCursor::StartOfBlock);
        window.ReportPane()->setTextCursor(verdict);
        window.ReportPane()->centerCursor();
    }
    // The long test's waits let the restored window take its own size back.
    if (view != "restored") window.resize(980, 660);
    QApplication::processEvents();

    QPixmap picture = window.grab();
    if (view == "about") {
        window.About()->Prepare();
        window.About()->show();
        QApplication::processEvents();
        picture = window.About()->grab();
    }
    if (!picture.save(output)) {
        std::fprintf(stderr, "quillfen-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
