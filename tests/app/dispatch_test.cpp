// The dispatch every front end drives: the busy bracket, Send, the port list.
#include <gtest/gtest.h>

#include <string>

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

    TempDir dir;
    ScopedChdir cwd{dir.Path()};
    ScriptedHost host;
    PortNames names;
    Application app{host, names};
    std::size_t startup = 0;
};

TEST_F(DispatchTest, SendCutsTheTextTo54CharactersAndKeepsThePortOpen) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    names.Map(1, pty.Slave());
    host.selection = 0;
    std::string sixty = "AT" + std::string(58, 'X');
    host.commandText = sixty;
    EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::Done);
    EXPECT_EQ(pty.Drain(), sixty.substr(0, 54) + "\r");
    EXPECT_EQ(Count("OUT: " + sixty.substr(0, 54) + "\r\n"), 1u);
    EXPECT_TRUE(app.Port().IsOpen());
    EXPECT_EQ(host.enabledHistory, (std::vector<bool>{false, true}));

    // The next Send goes to the same port without a new open, whatever the list says.
    host.selection = 5;
    host.commandText = "ATI3";
    app.DispatchCommand(id::Send);
    EXPECT_EQ(pty.Drain(), "ATI3\r");
    EXPECT_EQ(Count("Opened COM"), 1u);
}

TEST_F(DispatchTest, EmptySendOpensThePortThenAsksForACommand) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    names.Map(1, pty.Slave());
    host.selection = 0;
    EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::NothingSent);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Please Type in a Modem Command");
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Information);
    ASSERT_FALSE(host.focus.empty());
    EXPECT_EQ(host.focus.back(), id::CommandEdit);
    EXPECT_TRUE(app.Port().IsOpen());
    EXPECT_EQ(Count("OUT: "), 0u);
    EXPECT_TRUE(host.controlsEnabled);
}

TEST_F(DispatchTest, NoSelectionAsksForAPortAndSendsNothing) {
    host.selection = -1;
    std::size_t before = host.pane.size();
    EXPECT_EQ(app.DispatchCommand(id::FaxTestSelectModem), ActionOutcome::PortNotOpened);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, "Please Select a Modem/COM-Port (COM?)");
    EXPECT_EQ(host.portPrompts, 1);
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
    names.Map(1, sim.Device());
    host.selection = 0;
    app.DispatchCommand(id::AbortEvent);
    host.commandText = "AT";
    EXPECT_EQ(app.DispatchCommand(id::Send), ActionOutcome::Done);
    EXPECT_EQ(Count("IN : OK\r\n"), 1u);
    EXPECT_EQ(Count("Aborted by user."), 0u);
    EXPECT_EQ(app.Engine().AbortRequested, 0);
}

TEST_F(DispatchTest, ExitDuringAnActionUnwindsItBeforeTheEndLine) {
    ModemSim sim({"--profile", "silent"});
    names.Map(1, sim.Device());
    host.selection = 0;
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

}  // namespace
}  // namespace quillfen
