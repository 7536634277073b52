// SPDX-License-Identifier: MIT
// quillfen: the desktop program. Starts the main window and lives in Qt's
// event loop until the window has ended the session.
#include <QApplication>
#include <cstdio>

#include "qt/app_icon.h"
#include "qt/command_line.h"
#include "qt/main_window.h"
#include "serial/port_names.h"
#include "serial/ports_file.h"

int main(int argc, char** argv) {
    using quillfen::qt::InfoRequest;
    if (InfoRequest request = quillfen::qt::InfoRequestOf(argc, argv); request != InfoRequest::None) {
        const QByteArray text = quillfen::qt::InfoText(request);
        std::fwrite(text.constData(), 1, static_cast<std::size_t>(text.size()), stdout);
        return 0;
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillfen"));
    QApplication::setApplicationVersion(QString::fromLatin1(quillfen::ProductVersion.data(),
                                                           quillfen::ProductVersion.size()));
    QApplication::setWindowIcon(quillfen::qt::AppIcon());
    QGuiApplication::setDesktopFileName(QStringLiteral("quillfen"));

    // USB modems get COM numbers too, without any set-up by the user; the
    // ports file places the ones discovery cannot find (remote modems).
    quillfen::PortNames names;
    names.UsePortsFile(quillfen::DefaultPortsFile());
    names.Discover();
    quillfen::qt::MainWindow window(names, quillfen::qt::ArgumentText(QApplication::arguments()));
    QObject::connect(&window, &quillfen::qt::MainWindow::SessionEnded, &application, &QCoreApplication::quit);
    window.Initialise();
    if (window.Ended()) return 0;
    return QApplication::exec();
}
