// SPDX-License-Identifier: MIT
// The dispatch every front end drives: the busy bracket and its guard, Send,
// the port list, help, the close request and the end of the session.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <termios.h>

#include <map>
#include <string>
#include <vector>

#include "app/application.h"
#include "serial/pty_pair.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

namespace quillfen {
namespace {

using test::ModemSim;
using test::PtyPair;
using test::ScopedChdir;
using test::ScriptedHost;
using test::TempDir;

class DispatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        host.dispatch = [this](std::uint16_t commandId) { app.DispatchCommand(commandId); };
        app.Start();
        host.boxes.clear();
        startup = host.pane.size();
    }
    // Counts in what came after the start-up entries (the banner shows examples).
    std::size_t Count(const std::string& what) const {
        std::size_t count = 0;
        for (std::size_t at = host.pane.find(what, startup); at != std::string::npos; at = host.pane.find(what, at + 1)) ++count;
        return count;
    }

    // Puts the device on COM1 and chooses it in the port list.
    void ChooseCom1(const std::string& device) {
        names.Map(1, device);
        host.selection = 0;
    }

    // Plays a modem on the pty that answers OK to whatever it gets, and keeps
    // what it got.
    void AnswerOk(PtyPair& pty, std::string& received) {
        host.onEveryPump = [&pty, &received] {
            std::string got = pty.Drain(0);
            if (!got.empty()) pty.Send("OK\r\n");
            received += got;
            return false;
        };
    }

    TempDir dir;
    ScopedChdir cwd{dir.Path()};
    ScriptedHost host;
    PortNames names;
    Application app{host, names};
    std::size_t startup = 0;
};

// The typed text goes out up to its first line end and at most 54
// characters, so the modem gets exactly what the log shows; with nothing to
// send, the port is opened all the same and a box asks for a command.
TEST_F(DispatchTest, SendTakesTheTypedTextUpToItsFirstLineEndAndAtMost54Characters) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    ChooseCom1(pty.Slave());
    std::string received;
    AnswerOk(pty, received);
    EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::NothingSent);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Please Type in a Modem Command");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Information);
    ASSERT_FALSE(host.focus.empty());
    EXPECT_EQ(host.focus.back(), id::CommandEdit);
    EXPECT_TRUE(app.Port().IsOpen());
    EXPECT_EQ(Count("OUT: "), 0u);
    EXPECT_TRUE(host.controlsEnabled);

    // Once open, the port takes every Send, whatever the list says.
    host.selection = 5;
    const std::string sixty = "AT" + std::string(58, 'X');
    struct Row {
        std::string typed;
        std::string sent;  // empty: nothing to send
    };
    const Row rows[] = {
        {sixty, sixty.substr(0, 54)}, {"AT\rATS0=1\rATI4", "AT"}, {"ATI3\nATZ", "ATI3"}, {"\nATZ", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        host.commandText = row.typed;
        host.boxes.clear();
        received.clear();
        const std::size_t commands = Count("OUT: ");
        EXPECT_EQ(app.DispatchCommand(id::Send), row.sent.empty() ? ActionOutcome::NothingSent : ActionOutcome::Done);
        EXPECT_EQ(received, row.sent.empty() ? "" : row.sent + "\r");
        EXPECT_EQ(Count("OUT: "), commands + (row.sent.empty() ? 0 : 1));
        if (!row.sent.empty()) {
            EXPECT_EQ(Count("OUT: " + row.sent + "\r\n"), 1u);
        }
        EXPECT_EQ(host.boxes.size(), row.sent.empty() ? 1u : 0u);
    }
    EXPECT_EQ(pty.Drain(), "");
    EXPECT_EQ(Count("ATS0"), 0u);
    EXPECT_EQ(Count("Opened COM"), 1u);
    EXPECT_EQ(app.Summary().comNumber, 1u);
    EXPECT_EQ(app.Summary().device, pty.Slave());
}

// The list drops down for the choice only once it is usable again.
TEST_F(DispatchTest, NoSelectionAsksForAPortAndSendsNothing) {
    host.selection = -1;
    std::size_t before = host.pane.size();
    EXPECT_EQ(app.DispatchCommand(id::FaxTestSelectModem), ActionOutcome::PortNotOpened);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Please Select a Modem/COM-Port (COM?)");
    EXPECT_EQ(host.portPrompts, 1);
    EXPECT_EQ(host.portPromptsWhileGrayed, 0);
    EXPECT_EQ(host.pane.size(), before);
    EXPECT_TRUE(host.controlsEnabled);
}

TEST_F(DispatchTest, PortListChangeClosesThePortWithItsLine) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    names.Map(2, pty.Slave());
    host.selection = 1;
    app.DispatchCommand(id::Send);
    ASSERT_TRUE(app.Port().IsOpen());
    app.DispatchCommand(id::PortList, Notification::SelectionChange);
    EXPECT_FALSE(app.Port().IsOpen());
    EXPECT_EQ(Count("Closed COM2 - "), 1u);
    app.DispatchCommand(id::PortList, Notification::KillFocus);
    EXPECT_EQ(Count("Closed COM2 - "), 1u);
}

TEST_F(DispatchTest, AbortWhileIdleIsClearedByTheNextAction) {
    ModemSim sim({"--profile", "fax"});
    ChooseCom1(sim.Device());
    app.DispatchCommand(id::AbortEvent);
    host.commandText = "AT";
    EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::Done);
    EXPECT_EQ(Count("IN : OK\r\n"), 1u);
    EXPECT_EQ(Count("Aborted by user."), 0u);
    EXPECT_EQ(app.Engine().AbortRequested, 0);
}

TEST_F(DispatchTest, ExitDuringAnActionUnwindsItBeforeTheEndLine) {
    ModemSim sim({"--profile", "silent"});
    ChooseCom1(sim.Device());
    host.AtPump(40, [&] { app.DispatchCommand(id::Exit); });
    EXPECT_EQ(app.DispatchCommand(id::FaxTestSelectModem), ActionOutcome::Aborted);
    EXPECT_TRUE(app.ExitRequested());
    EXPECT_TRUE(app.Ended());
    EXPECT_EQ(host.windowEnds, 1);
    EXPECT_FALSE(app.Busy());
    EXPECT_TRUE(host.controlsEnabled);
    std::size_t aborted = host.pane.find("Aborted by user.\r\n");
    std::size_t closed = host.pane.find("Closed COM1 - ");
    std::size_t ended = host.pane.find("End Session - ");
    ASSERT_NE(aborted, std::string::npos);
    EXPECT_LT(aborted, closed);
    EXPECT_LT(closed, ended);
    EXPECT_EQ(Count("Aborted by user.\r\n"), 1u);
    EXPECT_EQ(test::ReadFile(dir.File("Modem001.txt")), host.pane);
    // Shutdown twice writes nothing more.
    std::size_t length = host.pane.size();
    app.Shutdown();
    EXPECT_EQ(host.pane.size(), length);
}

TEST_F(DispatchTest, TheBusySetIsGrayedForTheWholeActionAndTheFocusOnTheLog) {
    ModemSim sim({"--profile", "silent"});
    ChooseCom1(sim.Device());
    host.commandText = "AT";
    std::map<std::uint16_t, bool> controlsDuring;
    std::map<std::uint16_t, bool> itemsDuring;
    host.AtPump(3, [&] {
        controlsDuring = host.controls;
        itemsDuring = host.menuItems;
    });
    app.DispatchCommand(id::Send);
    for (std::uint16_t controlId : {id::PortList, id::FindAllModems, id::FaxTestSelectModem, id::FaxTestAllModems, id::Send}) {
        EXPECT_FALSE(controlsDuring[controlId]) << controlId;
        EXPECT_TRUE(host.controls[controlId]) << controlId;
    }
    for (std::uint16_t commandId : {id::CopyAllOfLog, id::CopySelectedText, id::About, id::OpenHelp, id::Report}) {
        EXPECT_FALSE(itemsDuring[commandId]) << commandId;
        EXPECT_TRUE(host.menuItems[commandId]) << commandId;
    }
    // Never switched by an action: the edit, Abort Event, the log, Close Help, Exit.
    for (std::uint16_t never : {id::CommandEdit, id::AbortEvent, id::LogPane}) EXPECT_EQ(host.controls.count(never), 0u);
    for (std::uint16_t never : {id::CloseHelp, id::Exit}) EXPECT_EQ(host.menuItems.count(never), 0u);
    ASSERT_FALSE(host.focus.empty());
    EXPECT_EQ(host.focus.front(), id::LogPane);
}

TEST_F(DispatchTest, NothingElseStartsWhileAnActionRuns) {
    ModemSim sim({"--profile", "silent"});
    ChooseCom1(sim.Device());
    host.commandText = "AT";
    std::vector<ActionOutcome> inside;
    host.AtPump(5, [&] {
        // Clicks that were queued before the busy set was grayed.
        for (std::uint16_t commandId : {id::Send, id::FindAllModems, id::FaxTestSelectModem, id::FaxTestAllModems,
                                        id::CopyAllOfLog, id::CopySelectedText, id::About, id::OpenHelp, id::Report}) {
            inside.push_back(app.DispatchCommand(commandId));
        }
        // Nor does the port list pull the port from under the action.
        inside.push_back(app.DispatchCommand(id::PortList, Notification::SelectionChange) == ActionOutcome::Done
                             ? ActionOutcome::Done
                             : ActionOutcome::Ignored);
        EXPECT_TRUE(app.Port().IsOpen());
    });
    app.DispatchCommand(id::Send);
    ASSERT_EQ(inside.size(), 10u);
    for (std::size_t i = 0; i + 1 < inside.size(); ++i) EXPECT_EQ(inside[i], ActionOutcome::Ignored) << i;
    EXPECT_EQ(Count("OUT: "), 1u);
    EXPECT_EQ(Count("Closed COM1"), 0u);
    EXPECT_EQ(host.abouts, 0);
    EXPECT_EQ(host.helpOpens, 0);
    EXPECT_TRUE(host.reports.empty());
    EXPECT_TRUE(host.copies.empty());
    // A button's other notifications are not clicks.
    EXPECT_EQ(app.DispatchCommand(id::About, Notification::KillFocus), ActionOutcome::Ignored);
    EXPECT_EQ(app.DispatchCommand(4242), ActionOutcome::Ignored);
    EXPECT_EQ(host.abouts, 0);
}

TEST_F(DispatchTest, HelpGraysTheBusySetAndRefusesActionsUntilClosed) {
    EXPECT_EQ(app.DispatchCommand(id::CloseHelp), ActionOutcome::Ignored);
    EXPECT_EQ(host.helpCloses, 0);

    EXPECT_EQ(app.DispatchCommand(id::OpenHelp), ActionOutcome::Done);
    EXPECT_EQ(host.helpOpens, 1);
    EXPECT_TRUE(app.HelpShown());
    EXPECT_FALSE(host.controls[id::FaxTestAllModems]);
    EXPECT_FALSE(host.menuItems[id::OpenHelp]);
    EXPECT_TRUE(host.menuItems[id::CloseHelp]);
    for (std::uint16_t commandId : {id::Send, id::FaxTestAllModems, id::About, id::CopyAllOfLog, id::OpenHelp}) {
        EXPECT_EQ(app.DispatchCommand(commandId), ActionOutcome::Ignored) << commandId;
    }
    EXPECT_EQ(host.helpOpens, 1);
    EXPECT_EQ(app.DispatchCommand(id::AbortEvent), ActionOutcome::Done);

    EXPECT_EQ(app.DispatchCommand(id::CloseHelp), ActionOutcome::Done);
    EXPECT_EQ(host.helpCloses, 1);
    EXPECT_FALSE(app.HelpShown());
    EXPECT_TRUE(host.controls[id::FaxTestAllModems]);
    EXPECT_TRUE(host.menuItems[id::OpenHelp]);
    EXPECT_FALSE(host.menuItems[id::CloseHelp]);

    EXPECT_EQ(app.DispatchCommand(id::About), ActionOutcome::Done);
    EXPECT_EQ(app.DispatchCommand(id::CopyAllOfLog), ActionOutcome::Done);
    EXPECT_EQ(app.DispatchCommand(id::CopySelectedText), ActionOutcome::Done);
    EXPECT_EQ(host.abouts, 1);
    EXPECT_EQ(host.copies, (std::vector<CopyScope>{CopyScope::AllOfLog, CopyScope::Selection}));
}

// A keyboard action moves the focus off the port list as it grays it; that
// closes the port that was open, before the action opens the one now chosen.
TEST_F(DispatchTest, FocusLeavingThePortListAtTheStartClosesTheOldPortFirst) {
    PtyPair first;
    PtyPair second;
    ASSERT_TRUE(first.Ok() && second.Ok());
    names.Map(1, first.Slave());
    names.Map(2, second.Slave());
    std::string received;
    AnswerOk(first, received);
    host.selection = 0;
    host.commandText = "AT";
    app.DispatchCommand(id::Send);
    ASSERT_TRUE(app.Port().IsOpen());
    received.clear();
    AnswerOk(second, received);
    host.selection = 1;
    host.onFocus = [&](std::uint16_t) { app.DispatchCommand(id::PortList, Notification::KillFocus); };
    app.DispatchCommand(id::Send);
    std::size_t closed = host.pane.find("Closed COM1 - ");
    std::size_t opened = host.pane.find("Opened COM2 - ");
    ASSERT_NE(closed, std::string::npos);
    EXPECT_LT(closed, opened);
    EXPECT_EQ(received, "AT\r");
    // Only the three notifications close the port.
    host.onFocus = nullptr;
    EXPECT_EQ(app.DispatchCommand(id::PortList, Notification::Clicked), ActionOutcome::Ignored);
    EXPECT_TRUE(app.Port().IsOpen());
    app.DispatchCommand(id::PortList, Notification::DropDown);
    EXPECT_FALSE(app.Port().IsOpen());
}

TEST_F(DispatchTest, CloseRequestsPostOneExitAndTheSessionEndsOnce) {
    host.dispatch = nullptr;  // the test hands the posted commands on itself
    app.HandleCloseRequest();
    app.HandleCloseRequest();
    ASSERT_EQ(host.posted.size(), 1u);
    EXPECT_EQ(host.posted.front(), id::Exit);
    EXPECT_EQ(host.windowEnds, 0);
    EXPECT_EQ(app.DispatchCommand(host.posted.front()), ActionOutcome::Done);
    host.posted.clear();
    EXPECT_TRUE(app.Ended());
    EXPECT_EQ(host.windowEnds, 1);
    EXPECT_EQ(Count("End Session - "), 1u);
    // After the end nothing acts any more.
    app.HandleCloseRequest();
    EXPECT_TRUE(host.posted.empty());
    EXPECT_EQ(app.DispatchCommand(id::Exit), ActionOutcome::Ignored);
    EXPECT_EQ(app.DispatchCommand(id::About), ActionOutcome::Ignored);
    EXPECT_EQ(app.ExitCommands(), 1);
    EXPECT_EQ(host.windowEnds, 1);
    EXPECT_EQ(test::ReadFile(dir.File("Modem001.txt")), host.pane);
}

TEST_F(DispatchTest, CloseRequestDuringAnActionStopsItThenEndsTheSession) {
    ModemSim sim({"--profile", "silent"});
    ChooseCom1(sim.Device());
    bool endedInside = false;
    host.AtPump(30, [&] {
        app.HandleCloseRequest();
        app.HandleCloseRequest();  // a second press while the first is on its way
    });
    host.onEveryPump = [&] {
        endedInside = endedInside || host.windowEnds > 0;
        return false;
    };
    EXPECT_EQ(app.DispatchCommand(id::FaxTestSelectModem), ActionOutcome::Aborted);
    EXPECT_FALSE(endedInside) << "the window ended before the action unwound";
    EXPECT_EQ(host.windowEnds, 1);
    EXPECT_EQ(app.ExitCommands(), 1);
    EXPECT_EQ(Count("Aborted by user.\r\n"), 1u);
    std::size_t aborted = host.pane.find("Aborted by user.\r\n");
    std::size_t ended = host.pane.find("End Session - ");
    EXPECT_LT(aborted, ended);
    // Escape after the end adds nothing.
    EXPECT_EQ(app.DispatchCommand(id::Cancel), ActionOutcome::Ignored);
}

TEST_F(DispatchTest, EscapeClosesTheHelpIfShownElseEndsTheSessionAsExitDoes) {
    app.DispatchCommand(id::OpenHelp);
    EXPECT_EQ(app.DispatchCommand(id::Cancel), ActionOutcome::Done);
    EXPECT_FALSE(app.HelpShown());
    EXPECT_EQ(host.helpCloses, 1);
    EXPECT_FALSE(app.Ended());
    EXPECT_EQ(Count("End Session - "), 0u);

    EXPECT_EQ(app.DispatchCommand(id::Cancel), ActionOutcome::Done);
    EXPECT_TRUE(app.Ended());
    EXPECT_EQ(host.windowEnds, 1);
    EXPECT_EQ(Count("End Session - "), 1u);
}

// A log file on a file system with room for a few kilobytes only.
TEST(DispatchFullDiskTest, TheIncompleteLogFileIsToldOnceAfterTheActionNotInsideIt) {
    test::TempDir dir;
    const std::string small = dir.File("small");
    ASSERT_EQ(mkdir(small.c_str(), 0700), 0);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=8k") != 0) GTEST_SKIP() << "no tmpfs may be mounted here";
    {
        test::ScopedChdir cwd(small);
        test::ModemSim sim({"--profile", "fax"});
        test::ScriptedHost host;
        PortNames names;
        names.Map(1, sim.Device());
        Application app(host, names);
        std::vector<bool> busyAtBox;
        host.onBox = [&](const test::ShownBox&) { busyAtBox.push_back(app.Busy()); };
        host.selection = 0;
        app.Start();
        EXPECT_EQ(app.DispatchCommand(id::FaxTestSelectModem), ActionOutcome::Done);
        host.commandText = "ATI3";
        EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::Done);
        app.Shutdown();

        ASSERT_EQ(host.boxes.size(), 2u);
        EXPECT_EQ(host.boxes[1].icon, BoxIcon::Stop);
        EXPECT_EQ(host.boxes[1].text.find("The log file " + small + "/Modem001.txt is incomplete"), 0u)
            << host.boxes[1].text;
        EXPECT_EQ(busyAtBox, (std::vector<bool>{false, false})) << "a box inside the action";
        EXPECT_TRUE(app.Log().FileIncomplete());
        std::string file = test::ReadFile(small + "/Modem001.txt");
        EXPECT_EQ(host.pane.compare(0, file.size(), file), 0);
        EXPECT_LT(file.size(), host.pane.size());
    }
    umount2(small.c_str(), MNT_DETACH);
}

// One port of a bank: the port list is not consulted, the open is quiet,
// and the outcome tells a tested modem from a port that would not open.
TEST_F(DispatchTest, FaxTestPortTestsTheNamedPortOnly) {
    ModemSim sim({"--profile", "fax"});
    names.Map(200, sim.Device());
    names.Map(7, dir.File("no-such-device"));

    EXPECT_EQ(app.FaxTestPort(200), ActionOutcome::Done);
    for (const char* line : {"Opened COM200 - ", "\r\nCOM200\r\n", "This FaxModem supports Class 2.0", "Closed COM200 - "})
        EXPECT_NE(host.pane.find(line), std::string::npos) << line;
    EXPECT_FALSE(app.Port().IsOpen());
    EXPECT_EQ(app.FaxTestPort(7), ActionOutcome::PortNotOpened);
    EXPECT_TRUE(host.boxes.empty()) << "a bank's port fails in the log, not in a box";
    EXPECT_EQ(app.FaxTestPort(0), ActionOutcome::Ignored);
    EXPECT_EQ(app.FaxTestPort(257), ActionOutcome::Ignored);
}

TEST_F(DispatchTest, TheChosenLineSpeedIsSetAtTheOpen) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    ChooseCom1(pty.Slave());
    EXPECT_FALSE(app.SetLineSpeed(1234));
    EXPECT_TRUE(app.SetLineSpeed(115200));
    host.commandText = "AT";
    // Answer as soon as the command has reached the line, so the transaction ends at once.
    host.onEveryPump = [&] {
        if (pty.Drain(0).empty()) return false;
        pty.Send("OK\r\n");
        return true;
    };
    EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::Done);
    termios line{};
    ASSERT_EQ(tcgetattr(pty.Keeper(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
}

// The report of this session's log takes the log pane's place as help does,
// but its copy items stay usable and copy the report, not the log.
TEST_F(DispatchTest, ReportShowsThisSessionsLogReportAndCopiesIt) {
    ModemSim sim({"--profile", "fax"});
    ChooseCom1(sim.Device());
    app.DispatchCommand(id::FaxTestSelectModem);

    EXPECT_EQ(app.DispatchCommand(id::Report), ActionOutcome::Done);
    ASSERT_EQ(host.reports.size(), 1u);
    const std::string& report = host.reports[0];
    for (const char* words : {"Report on Modem001.txt: 1 capability test(s); the session is still open\r\n",
                              "configure fax software for class 1.0", "Alternative:", "HylaFAX:"}) {
        EXPECT_NE(report.find(words), std::string::npos) << words << "\n" << report;
    }
    EXPECT_EQ(report.find("cut short"), std::string::npos) << "an open session is not a cut log";
    // What else the help state grays and refuses is the help's own test.
    EXPECT_TRUE(app.HelpShown());
    EXPECT_FALSE(host.menuItems[id::Report]);
    EXPECT_TRUE(host.menuItems[id::CopyAllOfLog]);
    EXPECT_TRUE(host.menuItems[id::CloseHelp]);
    EXPECT_EQ(app.DispatchCommand(id::Report), ActionOutcome::Ignored);

    app.DispatchCommand(id::CopyAllOfLog);
    app.DispatchCommand(id::CopySelectedText);
    EXPECT_EQ(host.reportCopies, (std::vector<CopyScope>{CopyScope::AllOfLog, CopyScope::Selection}));
    EXPECT_TRUE(host.copies.empty());

    EXPECT_EQ(app.DispatchCommand(id::CloseHelp), ActionOutcome::Done);
    EXPECT_EQ(host.helpCloses, 1);
    EXPECT_TRUE(host.menuItems[id::Report]);
    app.DispatchCommand(id::CopyAllOfLog);
    EXPECT_EQ(host.copies, (std::vector<CopyScope>{CopyScope::AllOfLog}));
}

}  // namespace
}  // namespace quillfen
