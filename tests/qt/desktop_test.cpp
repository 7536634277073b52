// SPDX-License-Identifier: MIT
// The window behaving as the dialog it stands for, as a user would try it:
// Enter presses the focused push button (Send from the command edit, the
// default one when the focus is on neither), the log keeps a reader's place, the restored
// window keeps its size and sits in the middle of the screen frame and all.
// Runs on the offscreen platform and under Xvfb with a window manager,
// where frames, focus and size rules are real.
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTest>

#include "qt/port_list.h"
#include "qt/text_pane.h"
#include "window_harness.h"

using namespace quillfen;
using namespace quillfen::qt;
using quillfen::qt::test::RunWhen;
using quillfen::qt::test::WindowHarness;

namespace {

QPushButton* Button(WindowHarness& h, int controlId) { return static_cast<QPushButton*>(h.Control(controlId)); }

// Moves the focus as the keyboard would and waits until it has arrived.
void FocusByTab(QWidget* from, QWidget* to) {
    from->setFocus(Qt::TabFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), from);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_COMPARE(QApplication::focusWidget(), to);
}

}  // namespace

class DesktopTest : public QObject {
    Q_OBJECT
private slots:
    void EnterPressesTheFocusedButtonElseTheDefault();
    void AReaderScrolledUpKeepsTheirPlace();
    void RestoredWindowKeepsItsSizeAndSitsInTheMiddle();
};

void DesktopTest::EnterPressesTheFocusedButtonElseTheDefault() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    for (unsigned com = 2; com <= 4; ++com) h.Map(com, h.dir.File("absent"));
    h.Start();
    MainWindow& w = h.Window();
    w.Ports()->setCurrentIndex(0);
    auto* edit = static_cast<QLineEdit*>(h.Control(id::CommandEdit));
    edit->setText("ATI3");

    // Tab from the command edit to Send, then Enter: the typed command goes out.
    FocusByTab(edit, h.Control(id::Send));
    QVERIFY(Button(h, id::Send)->isDefault());
    QVERIFY(!Button(h, id::FaxTestAllModems)->isDefault());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(h.Pane().contains("OUT: ATI3\n"));
    QCOMPARE(h.Pane().count("Opened COM"), 1);
    QVERIFY(!h.Pane().contains("COM2"));

    // Abort Event clicked, then Enter: Abort Event again, nothing starts.
    const QString before = h.Pane();
    QTest::mouseClick(h.Control(id::AbortEvent), Qt::LeftButton);
    QTRY_COMPARE(QApplication::focusWidget(), h.Control(id::AbortEvent));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Enter);
    QTest::qWait(50);
    QCOMPARE(h.Pane(), before);
    QVERIFY(!w.App().Busy());

    // Enter in the command edit presses Send, the default while the edit has
    // the focus: the command goes to the open port, no scan of four ports.
    edit->setText("ATI4");
    edit->setFocus(Qt::MouseFocusReason);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    QVERIFY(Button(h, id::Send)->isDefault());
    QVERIFY(!Button(h, id::FaxTestAllModems)->isDefault());
    QTest::keyClick(edit, Qt::Key_Return);
    QTRY_VERIFY(h.Pane().contains("OUT: ATI4\n"));
    QTRY_VERIFY(!w.App().Busy());
    const QString sent = h.Pane().mid(before.size());
    QVERIFY(!sent.contains("Opened COM") && !sent.contains("Closed COM"));

    // The action took the focus to the log, and the default went back.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.LogPane()));
    QVERIFY(Button(h, id::FaxTestAllModems)->isDefault());
    QVERIFY(!Button(h, id::Send)->isDefault());

    // Enter in the log does nothing: the pane takes it for itself.
    const QString afterSend = h.Pane();
    QTest::keyClick(w.LogPane(), Qt::Key_Return);
    QTest::qWait(50);
    QCOMPARE(h.Pane(), afterSend);
}

void DesktopTest::AReaderScrolledUpKeepsTheirPlace() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    MainWindow& w = h.Window();
    w.Ports()->setCurrentIndex(0);
    QScrollBar* bar = w.LogPane()->verticalScrollBar();

    // Fill the pane past its height, then scroll up to read while the test runs.
    int place = -1;
    int maximumThen = -1;
    RunWhen(&w, [&] { return h.Pane().contains("OUT: ATI3"); }, [&] {
        maximumThen = bar->maximum();
        bar->setValue(maximumThen / 3);
        place = bar->value();
    });
    QTest::mouseClick(h.Control(id::FaxTestSelectModem), Qt::LeftButton);
    QTRY_VERIFY(!w.App().Busy());
    QVERIFY(place > 0);
    QVERIFY(bar->maximum() > maximumThen);
    QCOMPARE(bar->value(), place);

    // Back at the bottom, the pane follows the log again.
    bar->setValue(bar->maximum());
    auto* edit = static_cast<QLineEdit*>(h.Control(id::CommandEdit));
    edit->setText("ATI4");
    QTest::mouseClick(h.Control(id::Send), Qt::LeftButton);
    QTRY_COMPARE(bar->value(), bar->maximum());
    QVERIFY(h.Pane().endsWith("IN : OK\n"));
}

void DesktopTest::RestoredWindowKeepsItsSizeAndSitsInTheMiddle() {
    WindowHarness h;
    h.Start();
    MainWindow& w = h.Window();
    QTRY_VERIFY(w.isMaximized());

    w.showNormal();
    QTRY_COMPARE(w.ClientArea()->size(), w.TemplateClientSize());
    QTRY_COMPARE(w.CurrentSizeState(), int(Restored));
    const QSize restored = w.size();

    // Centred by its frame, not by its client area.
    const QPoint centre = w.screen()->availableGeometry().center();
    QTRY_VERIFY2((w.frameGeometry().center() - centre).manhattanLength() <= 2,
                 qPrintable(QString("frame centre %1,%2, screen centre %3,%4")
                                .arg(w.frameGeometry().center().x())
                                .arg(w.frameGeometry().center().y())
                                .arg(centre.x())
                                .arg(centre.y())));

    // No sizing border: never smaller, and back to its size when made larger.
    QCOMPARE(w.minimumSize(), restored);
    w.resize(restored.width() / 2, restored.height() / 2);
    QTest::qWait(100);
    QCOMPARE(w.size(), restored);
    w.resize(restored.width() * 2, restored.height() * 2);
    QTRY_COMPARE(w.size(), restored);
    QVERIFY(h.Control(id::AbortEvent)->isVisible());

    // Maximized and restored again, it comes back to its size.
    w.showMaximized();
    QTRY_VERIFY(w.size().width() > restored.width() && w.size().height() > restored.height());
    w.showNormal();
    QTRY_COMPARE(w.size(), restored);
}

QTEST_MAIN(DesktopTest)
#include "desktop_test.moc"
