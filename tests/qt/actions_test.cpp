// SPDX-License-Identifier: MIT
// The modem actions from the window, against the simulator on a real pty:
// the busy set around them, Abort Event and Exit in the middle of a test,
// Send, and the port list closing the port.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "qt/port_list.h"
#include "qt/text_pane.h"
#include "serial/fake_machine.h"
#include "serial/pty_pair.h"
#include "window_harness.h"

using namespace quillfen;
using namespace quillfen::qt;
using quillfen::qt::test::RunWhen;
using quillfen::qt::test::WindowHarness;

namespace {

constexpr int BusyControls[] = {1001, 1002, 1003, 1004, 1005};
constexpr int BusyItems[] = {32771, 32772, 32773, 32774};

// Which of the busy set and of the always-usable controls are enabled now.
struct BusySnapshot {
    int controlsEnabled = 0;
    int itemsEnabled = 0;
    bool othersUsable = false;
    bool focusOnLog = false;
};

BusySnapshot Snapshot(WindowHarness& h) {
    BusySnapshot s;
    for (int controlId : BusyControls) s.controlsEnabled += h.Control(controlId)->isEnabled();
    for (int commandId : BusyItems) s.itemsEnabled += h.MenuItem(commandId)->isEnabled();
    s.othersUsable = h.Control(id::CommandEdit)->isEnabled() && h.Control(id::AbortEvent)->isEnabled() &&
                     h.Control(id::LogPane)->isEnabled() && h.MenuItem(id::Exit)->isEnabled();
    s.focusOnLog = h.Window().focusWidget() == h.Window().LogPane();
    return s;
}

void VerifyBusy(const BusySnapshot& s) {
    QCOMPARE(s.controlsEnabled, 0);
    QCOMPARE(s.itemsEnabled, 0);
    QVERIFY(s.othersUsable);
    QVERIFY(s.focusOnLog);
}

void VerifyIdle(WindowHarness& h) {
    const BusySnapshot s = Snapshot(h);
    QCOMPARE(s.controlsEnabled, 5);
    QCOMPARE(s.itemsEnabled, 4);
    QVERIFY(s.othersUsable);
    QVERIFY(!h.Window().App().Busy());
}

void Click(WindowHarness& h, int controlId) {
    QTest::mouseClick(h.Control(controlId), Qt::LeftButton);
}

qsizetype Count(const QString& text, const char* what) { return text.count(QString::fromLatin1(what)); }

// What the modem received, from the simulator's transcript, unescaped only
// as far as the tests need.
std::string Received(const std::string& transcript) {
    std::string bytes;
    std::size_t at = 0;
    while (at < transcript.size()) {
        std::size_t end = transcript.find('\n', at);
        if (end == std::string::npos) end = transcript.size();
        if (transcript.compare(at, 2, "< ") == 0) bytes += transcript.substr(at + 2, end - at - 2);
        at = end + 1;
    }
    return bytes;
}

}  // namespace

class ActionsTest : public QObject {
    Q_OBJECT
private slots:
    void BusySetAroundAWholeCapabilityTest();
    void BusySetAroundAFailedOpenAndAMissingPort();
    void AbortEventStopsTheTestAndTheNextActionRuns();
    void ExitDuringTestEndsAfterTheUnwinding();
    void CloseBoxDuringTestPostsOneExit();
    void SendTakesAtMost54CharactersAndAsksForEmptyText();
    void TouchingThePortListClosesThePort();
    void ThePortListNamesTheDeviceAndAHeldPortItsHolder();
};

void ActionsTest::BusySetAroundAWholeCapabilityTest() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    h.Window().Ports()->setCurrentIndex(0);

    BusySnapshot during;
    RunWhen(&h.Window(), [&] { return h.Pane().contains("OUT: ATI3"); }, [&] { during = Snapshot(h); });
    Click(h, id::FaxTestSelectModem);

    VerifyBusy(during);
    VerifyIdle(h);
    const QString pane = h.Pane();
    QVERIFY(pane.contains("Opened COM1 - "));
    QVERIFY(pane.contains("This FaxModem supports Class 2.0, Fax Mode."));
    QVERIFY(pane.endsWith("Reset the modem:\nOUT: AT&F\nIN : AT&F\nIN : OK\n"));
    // The port stays open after the test.
    QVERIFY(!pane.contains("Closed COM1"));
    QVERIFY(h.Window().App().Port().IsOpen());
}

void ActionsTest::BusySetAroundAFailedOpenAndAMissingPort() {
    WindowHarness h;
    h.Map(1, h.dir.File("no-such-device"));
    h.Start();

    // No port chosen: the box, then the list dropped down with the focus.
    Click(h, id::FaxTestSelectModem);
    QCOMPARE(h.boxes.size(), size_t(2));
    QCOMPARE(h.boxes[1].text, QString("Please Select a Modem/COM-Port (COM?)"));
    QCOMPARE(h.boxes[1].icon, QMessageBox::Information);
    QVERIFY(h.Window().Ports()->view()->isVisible());
    h.Window().Ports()->hidePopup();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(h.Window().Ports()));
    VerifyIdle(h);

    // A device that cannot be opened: Retry tries once more, Cancel gives up.
    h.Window().Ports()->setCurrentIndex(0);
    BusySnapshot during;
    h.onModal = [&](QDialog&) { during = Snapshot(h); };
    h.answers = {QMessageBox::Retry, QMessageBox::Cancel};
    Click(h, id::FaxTestSelectModem);

    VerifyBusy(during);
    VerifyIdle(h);
    QCOMPARE(h.boxes.size(), size_t(4));
    for (std::size_t i : {2u, 3u}) {
        const auto& box = h.boxes[i];
        QVERIFY(box.text.startsWith("While trying to open your modem on COM1 an error occurred as follows:\n"));
        QCOMPARE(box.caption, QString("Quillfen"));
        QCOMPARE(box.icon, QMessageBox::Question);
        QCOMPARE(box.buttons, QMessageBox::Retry | QMessageBox::Cancel);
        QCOMPARE(box.owner, static_cast<QWidget*>(&h.Window()));
    }
    QVERIFY(!h.Pane().contains("Opened COM1"));
    QVERIFY(!h.Pane().contains("\nOUT: "));
}

void ActionsTest::AbortEventStopsTheTestAndTheNextActionRuns() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    h.Window().Ports()->setCurrentIndex(0);

    BusySnapshot during;
    RunWhen(&h.Window(), [&] { return h.Pane().contains("OUT: ATI3"); },
            [&] {
                during = Snapshot(h);
                Click(h, id::AbortEvent);
            });
    Click(h, id::FaxTestSelectModem);

    VerifyBusy(during);
    VerifyIdle(h);
    QString pane = h.Pane();
    QCOMPARE(Count(pane, "Aborted by user.\n"), 1);
    QVERIFY(!pane.contains("End information gathering:"));
    QVERIFY(!h.Window().Ended());

    // Abort while idle only raises the flag; the next action clears it.
    Click(h, id::AbortEvent);
    static_cast<QLineEdit*>(h.Control(id::CommandEdit))->setText("AT");
    Click(h, id::Send);
    pane = h.Pane();
    QCOMPARE(Count(pane, "Aborted by user.\n"), 1);
    QVERIFY(pane.endsWith("OUT: AT\nIN : AT\nIN : OK\n"));
}

void ActionsTest::ExitDuringTestEndsAfterTheUnwinding() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    MainWindow& w = h.Window();
    w.Ports()->setCurrentIndex(0);

    bool idleWhenEnded = false;
    std::string fileWhenEnded;
    QObject::connect(&w, &MainWindow::SessionEnded, [&] {
        idleWhenEnded = !w.App().Busy() && h.Control(id::FaxTestAllModems)->isEnabled();
        fileWhenEnded = h.LogFile();
    });
    bool visibleAfterExit = false;
    bool closeAccepted = true;
    RunWhen(&w, [&] { return h.Pane().contains("OUT: ATI3"); },
            [&] {
                h.MenuItem(id::Exit)->trigger();
                visibleAfterExit = w.isVisible();
                // The close box pressed while the test unwinds adds nothing.
                closeAccepted = w.close();
            });
    Click(h, id::FaxTestSelectModem);

    // The window stays while the test unwinds, then ends once.
    QVERIFY(visibleAfterExit);
    QVERIFY(!closeAccepted);
    QVERIFY(w.Ended());
    QVERIFY(!w.isVisible());
    QVERIFY(idleWhenEnded);
    QCOMPARE(w.ExitCommands(), 1);

    const std::string file = h.LogFile();
    QCOMPARE(file, fileWhenEnded);
    const std::size_t aborted = file.find("Aborted by user.\r\n");
    const std::size_t closed = file.find("Closed COM1 - ");
    const std::size_t end = file.find("End Session - ");
    QVERIFY(aborted != std::string::npos && closed != std::string::npos && end != std::string::npos);
    QVERIFY(aborted < closed && closed < end);
    QVERIFY(file.find("End information gathering:") == std::string::npos);
    QVERIFY(file.ends_with("\r\n"));
    QCOMPARE(file.find("\r\n", end), file.size() - 2);
}

void ActionsTest::CloseBoxDuringTestPostsOneExit() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    MainWindow& w = h.Window();
    w.Ports()->setCurrentIndex(0);

    int closesAccepted = 0;
    RunWhen(&w, [&] { return h.Pane().contains("OUT: ATI1"); },
            [&] {
                // A second press while the first is still queued adds no Exit.
                closesAccepted += w.close();
                closesAccepted += w.close();
            });
    Click(h, id::FaxTestSelectModem);

    QCOMPARE(closesAccepted, 0);
    QCOMPARE(w.ExitCommands(), 1);
    QVERIFY(w.Ended());
    const std::string file = h.LogFile();
    QVERIFY(file.find("Aborted by user.\r\n") < file.find("End Session - "));
    QVERIFY(file.find("OUT: ATI7") == std::string::npos);
}

void ActionsTest::SendTakesAtMost54CharactersAndAsksForEmptyText() {
    quillfen::test::TempDir simDir;
    const std::string transcript = simDir.File("transcript.txt");
    quillfen::test::ModemSim sim({"--profile", "fax", "--transcript", transcript});
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    h.Window().Ports()->setCurrentIndex(0);
    auto* edit = static_cast<QLineEdit*>(h.Control(id::CommandEdit));

    // Empty: the port is opened first and stays open, then the box, then the
    // focus in the command edit.
    Click(h, id::Send);
    QCOMPARE(h.boxes.size(), size_t(2));
    QCOMPARE(h.boxes[1].text, QString("Please Type in a Modem Command"));
    QCOMPARE(h.boxes[1].icon, QMessageBox::Information);
    QCOMPARE(h.boxes[1].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
    QVERIFY(h.Pane().contains("Opened COM1 - "));
    QVERIFY(!h.Pane().section("Opened COM1 - ", 1).contains("OUT: "));
    QVERIFY(h.Window().App().Port().IsOpen());

    // Sixty characters: the first 54 go out, followed by CR.
    const QString sixty = "ATS0?" + QString(55, 'Z');
    QCOMPARE(sixty.size(), 60);
    QTest::keyClicks(edit, sixty);
    Click(h, id::Send);
    const QString sent = sixty.left(54);
    QVERIFY(h.Pane().contains("OUT: " + sent + "\n"));
    QVERIFY(!h.Pane().contains(sixty.left(55)));
    QTRY_VERIFY(Received(quillfen::test::ReadFile(transcript)).find(sent.toStdString() + "\\r") !=
                std::string::npos);
    QVERIFY(Received(quillfen::test::ReadFile(transcript)).find(sixty.left(55).toStdString()) == std::string::npos);
    // The text stays in the edit for the next Send.
    QCOMPARE(edit->text(), sixty);
}

void ActionsTest::TouchingThePortListClosesThePort() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Map(2, sim.Device());
    h.Start();
    MainWindow& w = h.Window();
    auto* edit = static_cast<QLineEdit*>(h.Control(id::CommandEdit));
    edit->setText("AT");

    auto sendAndExpectOpen = [&](const char* port) {
        Click(h, id::Send);
        QVERIFY(w.App().Port().IsOpen());
        QVERIFY(h.Pane().endsWith("OUT: AT\nIN : AT\nIN : OK\n"));
        QVERIFY(h.Pane().contains(QString("Opened ") + port));
    };

    // Another entry chosen: the port closes at once, before any command.
    w.Ports()->setCurrentIndex(0);
    sendAndExpectOpen("COM1");
    w.Ports()->setCurrentIndex(1);
    QVERIFY(!w.App().Port().IsOpen());
    QVERIFY(h.Pane().endsWith(QString("\n")) && h.Pane().section('\n', -2, -2).startsWith("Closed COM1 - "));

    // Only moving the focus away from it closes it too.
    sendAndExpectOpen("COM2");
    w.Ports()->setFocus();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Ports()));
    QVERIFY(w.App().Port().IsOpen());
    edit->setFocus();
    QVERIFY(!w.App().Port().IsOpen());
    QCOMPARE(Count(h.Pane(), "Closed COM2 - "), 1);

    // And so does dropping the list down.
    sendAndExpectOpen("COM2");
    w.Ports()->showPopup();
    QVERIFY(!w.App().Port().IsOpen());
    w.Ports()->hidePopup();
    QCOMPARE(Count(h.Pane(), "Closed COM2 - "), 2);
    QCOMPARE(Count(h.Pane(), "Closed "), 3);
}

void ActionsTest::ThePortListNamesTheDeviceAndAHeldPortItsHolder() {
    quillfen::test::PtyPair pty;
    QVERIFY(pty.Ok());
    quillfen::test::FakeMachine machine;
    const std::string ttyS0 = machine.Uart(0, 4, pty.Slave());
    machine.Process(412, "agetty", {pty.Slave()});
    const std::string acm = machine.UsbTty("ttyACM0", "1-1", "", "U.S. Robotics", "USB Modem");
    WindowHarness h;
    h.UseMachine(machine.roots);
    h.Start();

    // The items keep their texts; the tooltips say what stands behind them.
    PortList* ports = h.Window().Ports();
    QCOMPARE(ports->itemText(1), QString("COM2"));
    QCOMPARE(ports->itemData(1, Qt::ToolTipRole).toString(), QString::fromStdString(acm + " (U.S. Robotics USB Modem)"));
    QCOMPARE(ports->itemData(0, Qt::ToolTipRole).toString(), QString::fromStdString(ttyS0 + " (UART 16550A)"));
    QVERIFY(ports->toolTip().isEmpty());
    ports->setCurrentIndex(1);
    QCOMPARE(ports->toolTip(), QString::fromStdString(acm + " (U.S. Robotics USB Modem)"));

    // COM1 is held by a getty: the open's box names it on one more line.
    ports->setCurrentIndex(0);
    Click(h, id::FaxTestSelectModem);
    QCOMPARE(h.boxes.size(), size_t(2));
    QVERIFY(h.boxes[1].text.startsWith("While trying to open your modem on COM1 an error occurred as follows:\n"));
    QVERIFY(h.boxes[1].text.contains("Error Code 16:\nSharing Violation:\n"));
    QVERIFY(h.boxes[1].text.endsWith(QString::fromStdString("using it?\n" + ttyS0 + " is in use by agetty (pid 412)")));
    QCOMPARE(QString::fromStdString(pty.Drain(50)), QString());
    VerifyIdle(h);
}

QTEST_MAIN(ActionsTest)
#include "actions_test.moc"
