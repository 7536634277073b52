// SPDX-License-Identifier: MIT
// The main window as the user meets it: start-up, TopMost, the pane's place
// across restore and maximize, the help pane, copying and the About box.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTextBlock>

#include "qt/about_box.h"
#include "qt/command_line.h"
#include "app/help_text.h"
#include "qt/port_list.h"
#include "qt/text_pane.h"
#include "window_harness.h"

using namespace quillfen;
using namespace quillfen::qt;
using quillfen::qt::test::AsPaneText;
using quillfen::qt::test::RunWhen;
using quillfen::qt::test::WindowHarness;

class MainWindowTest : public QObject {
    Q_OBJECT
private slots:
    void StartsWithMessageThenLogThenPortsAndFocus();
    void TopMostArgumentReachesTheWindow();
    void PaneFollowsRestoreAndMaximize();
    void HelpPaneCoversTheLogWhereverItIs();
    void HelpTextHasItsFiveParts();
    void ReportTakesTheLogsPlaceAndCopiesItself();
    void CopyAllCopiesTheWholeLogAndCopySelectedTheSelection();
    void AboutBoxNamesProductAndVersion();
};

void MainWindowTest::StartsWithMessageThenLogThenPortsAndFocus() {
    WindowHarness h;
    bool fileExistedDuringMessage = true;
    int portsDuringMessage = -1;
    h.onModal = [&](QDialog&) {
        fileExistedDuringMessage = QFile::exists(QString::fromStdString(h.dir.File("Modem001.txt")));
        portsDuringMessage = h.Window().Ports()->count();
    };
    h.Start();
    MainWindow& w = h.Window();

    // The start-up message comes first, before the file and the port list.
    QCOMPARE(h.boxes.size(), size_t(1));
    QVERIFY(h.boxes[0].text.startsWith("There will be a visual log of all events."));
    QVERIFY(h.boxes[0].text.contains("Modem001.txt"));
    QCOMPARE(h.boxes[0].caption, QString("Quillfen"));
    QCOMPARE(h.boxes[0].icon, QMessageBox::Information);
    QCOMPARE(h.boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(h.boxes[0].owner, static_cast<QWidget*>(&w));
    QVERIFY(!fileExistedDuringMessage);
    QCOMPARE(portsDuringMessage, 0);

    // Header, start line and banner, the same in the file and the pane.
    const std::string file = h.LogFile();
    QCOMPARE(h.Pane(), AsPaneText(file));

    QCOMPARE(w.windowTitle(), QString("Quillfen 09.05.01"));
    QVERIFY(w.isMaximized());
    QVERIFY(!w.windowIcon().isNull());
    QVERIFY(!(w.windowFlags() & Qt::WindowStaysOnTopHint));

    PortList* ports = w.Ports();
    QCOMPARE(ports->count(), 256);
    QCOMPARE(ports->itemText(0), QString("COM1"));
    QCOMPARE(ports->itemText(255), QString("COM256"));
    QCOMPARE(ports->currentIndex(), -1);

    QVERIFY(!h.MenuItem(id::CloseHelp)->isEnabled());
    QCOMPARE(QApplication::focusWidget(), h.Control(id::FaxTestAllModems));

    // The panes are read-only, fixed-pitch and do not wrap.
    TextPane* log = w.LogPane();
    QVERIFY(log->isReadOnly());
    const QFontMetrics metrics(log->font());
    QCOMPARE(metrics.horizontalAdvance("iiii"), metrics.horizontalAdvance("MMMM"));
    QCOMPARE(log->lineWrapMode(), QPlainTextEdit::NoWrap);
}

void MainWindowTest::TopMostArgumentReachesTheWindow() {
    QCOMPARE(ArgumentText({"quillfen", "TopMost"}), QByteArray("TopMost"));
    QCOMPARE(ArgumentText({"quillfen", "TopMost", "x"}), QByteArray("TopMost x"));
    QCOMPARE(ArgumentText({"quillfen", "TopMost "}), QByteArray("TopMost "));
    QCOMPARE(ArgumentText({"quillfen"}), QByteArray());

    {
        WindowHarness h("TopMost");
        h.Start();
        QVERIFY(h.Window().windowFlags() & Qt::WindowStaysOnTopHint);
    }
    {
        // Only the first 259 characters are kept, and those are compared.
        WindowHarness h(QByteArray("TopMost") + QByteArray(300, 'x'));
        QCOMPARE(qstrlen(h.Window().CommandLineText()), 259u);
        h.Start();
        QVERIFY(!(h.Window().windowFlags() & Qt::WindowStaysOnTopHint));
    }
}

void MainWindowTest::PaneFollowsRestoreAndMaximize() {
    PaneLayout layout;
    WindowHarness h;
    h.Start();
    MainWindow& w = h.Window();
    TextPane* log = w.LogPane();
    const QSize restoredClient = w.TemplateClientSize();
    layout.MeasureRestored(restoredClient.width(), restoredClient.height());

    QTRY_VERIFY(w.isMaximized() && w.ClientArea()->size() != restoredClient);
    QCOMPARE(w.CurrentSizeState(), int(Maximized));
    QCOMPARE(w.MaximizedRect(), layout.RectFor(w.ClientArea()->width(), w.ClientArea()->height()));
    QCOMPARE(log->geometry(), ToQRect(w.MaximizedRect()));
    // Below the controls, however the font measures.
    QVERIFY(log->geometry().top() > h.Control(id::AbortEvent)->geometry().bottom());

    w.showNormal();
    QTRY_COMPARE(w.ClientArea()->size(), restoredClient);
    QCOMPARE(w.CurrentSizeState(), int(Restored));
    QCOMPARE(w.RestoredRect(), layout.RectFor(restoredClient.width(), restoredClient.height()));
    QCOMPARE(log->geometry(), ToQRect(w.RestoredRect()));

    const QRect beforeMinimize = log->geometry();
    w.showMinimized();
    QTRY_COMPARE(w.CurrentSizeState(), int(Minimized));
    QCOMPARE(log->geometry(), beforeMinimize);

    w.showMaximized();
    QTRY_COMPARE(w.CurrentSizeState(), int(Maximized));
    QTRY_COMPARE(log->geometry(), ToQRect(w.MaximizedRect()));
}

void MainWindowTest::HelpPaneCoversTheLogWhereverItIs() {
    WindowHarness h;
    h.Start();
    MainWindow& w = h.Window();
    TextPane* log = w.LogPane();
    QTRY_VERIFY(w.isMaximized() && w.ClientArea()->size() != w.TemplateClientSize());

    h.MenuItem(id::OpenHelp)->trigger();
    TextPane* help = w.HelpPane();
    QVERIFY(help && w.HelpShown());
    QCOMPARE(help->objectName(), QString("1009"));
    QVERIFY(help->isVisible() && !log->isVisible());
    QCOMPARE(help->geometry(), ToQRect(w.MaximizedRect()));
    QVERIFY(help->isReadOnly());
    QVERIFY(help->toPlainText().startsWith("Quillfen"));
    QVERIFY(h.MenuItem(id::CloseHelp)->isEnabled());

    // Restoring moves the help pane; the hidden log stays where it was.
    const QRect logWhileMaximized = log->geometry();
    w.showNormal();
    QTRY_COMPARE(help->geometry(), ToQRect(w.RestoredRect()));
    QCOMPARE(log->geometry(), logWhileMaximized);

    // What is logged meanwhile reaches the hidden log and the file.
    w.App().Log().WriteLog("Written while the help was shown", LogKind::Plain, AsLine::Yes);

    h.MenuItem(id::CloseHelp)->trigger();
    QVERIFY(!w.HelpPane());
    QVERIFY(log->isVisible());
    QCOMPARE(log->geometry(), ToQRect(w.RestoredRect()));
    QVERIFY(h.Pane().endsWith("Written while the help was shown\n"));
    QVERIFY(h.LogFile().ends_with("Written while the help was shown\r\n"));
    QVERIFY(!h.MenuItem(id::CloseHelp)->isEnabled());

    // Opened again while restored, it takes the restored place.
    h.MenuItem(id::OpenHelp)->trigger();
    QCOMPARE(w.HelpPane()->geometry(), ToQRect(w.RestoredRect()));
    w.showMaximized();
    QTRY_COMPARE(w.HelpPane()->geometry(), ToQRect(w.MaximizedRect()));
    h.MenuItem(id::CloseHelp)->trigger();
    QCOMPARE(log->geometry(), ToQRect(w.MaximizedRect()));
}

void MainWindowTest::ReportTakesTheLogsPlaceAndCopiesItself() {
    WindowHarness h;
    h.Start();
    MainWindow& w = h.Window();
    QTRY_VERIFY(w.isMaximized() && w.ClientArea()->size() != w.TemplateClientSize());

    // An item of the menu bar, between Help and Exit.
    QStringList bar;
    for (QAction* item : w.findChild<QMenuBar*>()->actions()) bar << item->text();
    QCOMPARE(bar, (QStringList{"&Edit", "&Help", "&Report", "E&xit"}));

    h.MenuItem(id::Report)->trigger();
    TextPane* report = w.ReportPane();
    QVERIFY(report && w.HelpShown());
    QCOMPARE(report->objectName(), QString("1010"));
    QVERIFY(report->isVisible() && !w.LogPane()->isVisible());
    QCOMPARE(report->geometry(), ToQRect(w.MaximizedRect()));
    QVERIFY(report->toPlainText().startsWith("Report on Modem001.txt: 0 capability test(s); the session is still open\n"));

    QApplication::clipboard()->clear();
    h.MenuItem(id::CopyAllOfLog)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), report->toPlainText());

    h.MenuItem(id::CloseHelp)->trigger();
    QVERIFY(!w.ReportPane());
    QVERIFY(w.LogPane()->isVisible());
    QVERIFY(h.MenuItem(id::Report)->isEnabled());
}

void MainWindowTest::HelpTextHasItsFiveParts() {
    const QString text = QString::fromLatin1(HelpPaneText);
    QVERIFY(text.endsWith("Log the current event.\r\n"));
    QVERIFY(!text.endsWith("\r\n\r\n"));
    QStringList lines = text.split("\r\n");
    lines.removeLast();
    QCOMPARE(lines.size(), 86);
    for (const QString& line : lines) {
        QVERIFY2(line.size() <= 74, qPrintable(line));
        QVERIFY2(!line.contains('\r') && !line.contains('\n'), qPrintable(line));
    }

    // Part one ends with five hyphens; each later heading follows that or an
    // empty line, and the headings come in order.
    const QStringList headings{"Purpose:", "How to:", "Description:", "Commands:"};
    qsizetype at = 0;
    for (const QString& heading : headings) {
        const qsizetype found = lines.indexOf(heading, at);
        QVERIFY2(found > 0, qPrintable(heading));
        QVERIFY(lines[found - 1].isEmpty() || lines[found - 1] == "-----");
        at = found + 1;
    }
    QCOMPARE(lines[lines.indexOf("Purpose:") - 1], QString("-----"));
    QCOMPARE(lines.count("-----"), 3);
}

void MainWindowTest::CopyAllCopiesTheWholeLogAndCopySelectedTheSelection() {
    WindowHarness h;
    h.Start();
    MainWindow& w = h.Window();
    for (int i = 0; w.App().Log().LogLength() < 70000; ++i) {
        const QByteArray line = QByteArray("IN : +FCLASS result line ") + QByteArray::number(i);
        w.App().Log().WriteLog(line.constData(), LogKind::Plain, AsLine::Yes);
    }
    w.App().Log().WriteLog("This FaxModem supports Class 2.0, Fax Mode.", LogKind::Plain, AsLine::Yes);

    QApplication::clipboard()->clear();
    h.MenuItem(id::CopyAllOfLog)->trigger();
    const QString copied = QApplication::clipboard()->text();
    QVERIFY(copied.size() > 60000);
    QCOMPARE(copied, AsPaneText(h.LogFile()));
    QVERIFY(copied.endsWith("This FaxModem supports Class 2.0, Fax Mode.\n"));

    // The next entry puts the caret back at the end of the log.
    QVERIFY(w.LogPane()->textCursor().hasSelection());
    w.App().Log().WriteLog("next", LogKind::Plain, AsLine::Yes);
    QVERIFY(!w.LogPane()->textCursor().hasSelection());
    QVERIFY(w.LogPane()->textCursor().atEnd());

    // Copy Selected copies exactly what the user selected.
    QTextCursor selection(w.LogPane()->document()->findBlockByNumber(1));
    selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    w.LogPane()->setTextCursor(selection);
    h.MenuItem(id::CopySelectedText)->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QString("Quillfen 09.05.01"));
}

void MainWindowTest::AboutBoxNamesProductAndVersion() {
    WindowHarness h;
    h.Start();
    QStringList texts;
    QString title;
    QWidget* owner = nullptr;
    QPushButton* ok = nullptr;
    h.onModal = [&](QDialog& dialog) {
        if (!qobject_cast<AboutBox*>(&dialog)) return;
        title = dialog.windowTitle();
        owner = dialog.parentWidget();
        for (QLabel* label : dialog.findChildren<QLabel*>()) {
            if (label->text().isEmpty()) continue;
            texts << label->text();
            // Whatever the desktop's font, no line is cut off.
            QVERIFY(label->width() >= label->sizeHint().width());
            QVERIFY(label->geometry().right() < dialog.width());
        }
        ok = dialog.findChild<QPushButton*>("1");
    };
    h.MenuItem(id::About)->trigger();

    QCOMPARE(title, QString("About Quillfen"));
    QCOMPARE(owner, static_cast<QWidget*>(&h.Window()));
    QVERIFY(texts.contains("Product Name: Quillfen"));
    QVERIFY(texts.contains("Product Version: 09.05.01"));
    QCOMPARE(h.Window().About()->findChild<QLabel*>("1000")->text(), QString("Product Version: 09.05.01"));
    QVERIFY(std::any_of(texts.begin(), texts.end(), [](const QString& t) { return t.startsWith("Company Name: "); }));
    QVERIFY(ok && ok->isDefault() && ok->text() == "OK");
}

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
