// SPDX-License-Identifier: MIT
// The window's wiring: every control, key and menu item reaches the
// dispatch with its own id, and the window draws what the dispatch asks
// (the busy set, the boxes, the port list dropped down, the end). What the
// dispatch decides is tested with the dispatch itself.
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "qt/port_list.h"
#include "qt/text_pane.h"
#include "serial/fake_machine.h"
#include "serial/pty_pair.h"
#include "window_harness.h"

using namespace quillfen;
using namespace quillfen::qt;
using quillfen::qt::test::AsPaneText;
using quillfen::qt::test::RunWhen;
using quillfen::qt::test::WindowHarness;

namespace {

constexpr int BusyControls[] = {1001, 1002, 1003, 1004, 1005};
constexpr int BusyItems[] = {32771, 32772, 32773, 32774};

// How many of the busy set are enabled now, and whether the always-usable
// controls are.
struct BusySnapshot {
    int busySetEnabled = 0;
    bool othersUsable = false;
    bool focusOnLog = false;
};

BusySnapshot Snapshot(WindowHarness& h) {
    BusySnapshot s;
    for (int controlId : BusyControls) s.busySetEnabled += h.Control(controlId)->isEnabled();
    for (int commandId : BusyItems) s.busySetEnabled += h.MenuItem(commandId)->isEnabled();
    s.othersUsable = h.Control(id::CommandEdit)->isEnabled() && h.Control(id::AbortEvent)->isEnabled() &&
                     h.Control(id::LogPane)->isEnabled() && h.MenuItem(id::Exit)->isEnabled();
    s.focusOnLog = h.Window().focusWidget() == h.Window().LogPane();
    return s;
}

void VerifyBusy(const BusySnapshot& s) {
    QCOMPARE(s.busySetEnabled, 0);
    QVERIFY(s.othersUsable);
    QVERIFY(s.focusOnLog);
}

void VerifyIdle(WindowHarness& h) {
    const BusySnapshot s = Snapshot(h);
    QCOMPARE(s.busySetEnabled, 9);
    QVERIFY(s.othersUsable);
    QVERIFY(!h.Window().App().Busy());
}

void Click(WindowHarness& h, int controlId) { QTest::mouseClick(h.Control(controlId), Qt::LeftButton); }

}  // namespace

class ActionsTest : public QObject {
    Q_OBJECT
private slots:
    void EveryControlKeyAndMenuItemReachesTheDispatch();
    void TheWindowDrawsTheBusySetAndTheBoxesTheDispatchAsksFor();
    void ExitDuringATestEndsTheWindowAfterTheUnwinding();
    void ThePortListNamesTheDeviceAndAHeldPortItsHolder();
};

void ActionsTest::EveryControlKeyAndMenuItemReachesTheDispatch() {
    WindowHarness h;
    for (unsigned com = 1; com <= 4; ++com) h.Map(com, h.dir.File("absent"));
    h.Start();
    MainWindow& w = h.Window();
    auto* edit = static_cast<QLineEdit*>(h.Control(id::CommandEdit));
    std::vector<std::pair<int, Notification>> sent;
    QObject::connect(&w, &MainWindow::Dispatching, [&](std::uint16_t commandId, Notification code) {
        sent.emplace_back(commandId, code);
    });
    auto click = [&](int controlId) { return [&h, controlId] { Click(h, controlId); }; };
    auto item = [&](int commandId) { return [&h, commandId] { h.MenuItem(commandId)->trigger(); }; };
    struct Row {
        const char* what;
        std::function<void()> trigger;
        int commandId;
        Notification code;
    };
    const Row rows[] = {
        {"choosing a port", [&] { w.Ports()->setCurrentIndex(1); }, id::PortList, Notification::SelectionChange},
        {"Send", click(id::Send), id::Send, Notification::Clicked},
        {"Fax Test Select Modem", click(id::FaxTestSelectModem), id::FaxTestSelectModem, Notification::Clicked},
        {"Fax Test All Modems", click(id::FaxTestAllModems), id::FaxTestAllModems, Notification::Clicked},
        {"Find All Modems", click(id::FindAllModems), id::FindAllModems, Notification::Clicked},
        {"Abort Event", click(id::AbortEvent), id::AbortEvent, Notification::Clicked},
        {"dropping the list down", [&] { w.Ports()->showPopup(); }, id::PortList, Notification::DropDown},
        {"the focus leaving the list", [&] { w.Ports()->hidePopup(); w.Ports()->setFocus(); edit->setFocus(); },
         id::PortList, Notification::KillFocus},
        {"the focus entering the edit", [&] { w.LogPane()->setFocus(); edit->setFocus(); }, id::CommandEdit,
         Notification::EditSetFocus},
        {"the focus leaving the edit", [&] { edit->setFocus(); w.LogPane()->setFocus(); }, id::CommandEdit,
         Notification::EditKillFocus},
        {"Enter in the edit", [&] { edit->setFocus(); QTest::keyClick(edit, Qt::Key_Return); }, id::Send,
         Notification::Clicked},
        {"Copy All of Log", item(id::CopyAllOfLog), id::CopyAllOfLog, Notification::Clicked},
        {"Copy Selected Text", item(id::CopySelectedText), id::CopySelectedText, Notification::Clicked},
        {"About", item(id::About), id::About, Notification::Clicked},
        {"Open Help", item(id::OpenHelp), id::OpenHelp, Notification::Clicked},
        {"Escape in the help", [&] { QTest::keyClick(w.HelpPane(), Qt::Key_Escape); }, id::Cancel,
         Notification::Clicked},
        {"Report", item(id::Report), id::Report, Notification::Clicked},
        {"Close Help", item(id::CloseHelp), id::CloseHelp, Notification::Clicked},
        {"the close box", [&] { QVERIFY(!w.close()); }, id::Exit, Notification::Clicked},
    };
    for (const Row& row : rows) {
        sent.clear();
        row.trigger();
        QTRY_VERIFY2(std::find(sent.begin(), sent.end(), std::make_pair(row.commandId, row.code)) != sent.end(),
                     row.what);
    }
    QVERIFY(!w.HelpShown());
    // The close box's Exit ended the window once.
    QTRY_VERIFY(w.Ended());
    QVERIFY(!w.isVisible());
    QCOMPARE(w.ExitCommands(), 1);
}

void ActionsTest::TheWindowDrawsTheBusySetAndTheBoxesTheDispatchAsksFor() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Map(2, h.dir.File("no-such-device"));
    h.Start();
    MainWindow& w = h.Window();

    // No port chosen: the box, then the list dropped down with the focus.
    Click(h, id::FaxTestSelectModem);
    QCOMPARE(h.boxes.size(), size_t(2));
    QCOMPARE(h.boxes[1].text, QString("Please Select a Modem/COM-Port (COM?)"));
    QCOMPARE(h.boxes[1].icon, QMessageBox::Information);
    QCOMPARE(h.boxes[1].owner, static_cast<QWidget*>(&w));
    QVERIFY(w.Ports()->view()->isVisible());
    w.Ports()->hidePopup();
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w.Ports()));
    VerifyIdle(h);

    // A device that cannot be opened: the Retry/Cancel box, asked twice, with
    // the busy set grayed behind it.
    w.Ports()->setCurrentIndex(1);
    BusySnapshot during;
    h.onModal = [&](QDialog&) { during = Snapshot(h); };
    h.answers = {QMessageBox::Retry, QMessageBox::Cancel};
    Click(h, id::FaxTestSelectModem);
    VerifyBusy(during);
    VerifyIdle(h);
    QCOMPARE(h.boxes.size(), size_t(4));
    QVERIFY(h.boxes[2].text.startsWith("While trying to open your modem on COM2 an error occurred as follows:\n"));
    QCOMPARE(h.boxes[2].caption, QString("Quillfen"));
    QCOMPARE(h.boxes[2].icon, QMessageBox::Question);
    QCOMPARE(h.boxes[2].buttons, QMessageBox::Retry | QMessageBox::Cancel);
    h.onModal = nullptr;

    // A whole test: usable after, the pane the file.
    w.Ports()->setCurrentIndex(0);
    Click(h, id::FaxTestSelectModem);
    VerifyIdle(h);
    QVERIFY(h.Pane().contains("This FaxModem supports Class 2.0, Fax Mode."));
    QCOMPARE(h.Pane(), AsPaneText(h.LogFile()));

    // Send with nothing typed: a box with Ok alone, then the focus in the edit.
    Click(h, id::Send);
    QCOMPARE(h.boxes.size(), size_t(5));
    QCOMPARE(h.boxes[4].text, QString("Please Type in a Modem Command"));
    QCOMPARE(h.boxes[4].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(w.focusWidget(), h.Control(id::CommandEdit));

    // The edit is read into the command buffer, cut to what it holds.
    static_cast<QLineEdit*>(h.Control(id::CommandEdit))->setText("ATS0?" + QString(55, 'Z'));
    Click(h, id::Send);
    QVERIFY(h.Pane().contains("OUT: ATS0?" + QString(49, 'Z') + "\n"));
}

void ActionsTest::ExitDuringATestEndsTheWindowAfterTheUnwinding() {
    quillfen::test::ModemSim sim;
    WindowHarness h;
    h.Map(1, sim.Device());
    h.Start();
    MainWindow& w = h.Window();
    w.Ports()->setCurrentIndex(0);

    bool idleWhenEnded = false;
    QObject::connect(&w, &MainWindow::SessionEnded,
                     [&] { idleWhenEnded = !w.App().Busy() && h.Control(id::FaxTestAllModems)->isEnabled(); });
    bool visibleAfterExit = false;
    bool closeAccepted = true;
    RunWhen(&w, [&] { return h.Pane().contains("OUT: ATI3"); },
            [&] {
                h.MenuItem(id::Exit)->trigger();
                visibleAfterExit = w.isVisible();
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

    // COM1 is held by a getty: the box names it, and the getty's line is untouched.
    ports->setCurrentIndex(0);
    Click(h, id::FaxTestSelectModem);
    QCOMPARE(h.boxes.size(), size_t(2));
    QVERIFY(h.boxes[1].text.endsWith(QString::fromStdString("using it?\n" + ttyS0 + " is in use by agetty (pid 412)")));
    QCOMPARE(QString::fromStdString(pty.Drain(50)), QString());
}

QTEST_MAIN(ActionsTest)
#include "actions_test.moc"
