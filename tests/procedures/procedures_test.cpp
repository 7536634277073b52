// SPDX-License-Identifier: MIT
// The probe, the scans and the capability script against the simulated
// modem on real ptys, driven through the same dispatch the front ends use.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "app/application.h"
#include "serial/pty_pair.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

namespace quillfen {
namespace {

using test::MaskStamps;
using test::ModemSim;
using test::ReadFile;
using test::ScopedChdir;
using test::ScriptedHost;
using test::TempDir;

// Counts after the banner, whose examples show OUT and IN lines of their own.
std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    std::size_t start = text.find("follow ===============\r\n");
    start = start == std::string::npos ? 0 : start;
    for (std::size_t at = text.find(what, start); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// Compares with a golden file under tests/data; QUILLFEN_UPDATE_GOLDEN=1
// rewrites it instead.
void ExpectGolden(const std::string& name, const std::string& actual) {
    std::string path = std::string(QUILLFEN_TESTDATA_DIR) + "/" + name;
    if (const char* update = std::getenv("QUILLFEN_UPDATE_GOLDEN"); update && std::string(update) == "1") {
        test::WriteFile(path, actual);
        return;
    }
    // Some golden logs keep the stamps they were written with.
    std::string expected = MaskStamps(ReadFile(path));
    ASSERT_FALSE(expected.empty()) << "missing golden file " << path;
    EXPECT_EQ(actual, expected) << "differs from " << path;
}

// The log of one capability test on COM1, the simulator started with args.
std::string CapabilityLog(const std::vector<std::string>& args) {
    TempDir dir;
    ScopedChdir cwd(dir.Path());
    ScriptedHost host;
    host.selection = 0;
    PortNames names;
    ModemSim sim(args);
    names.Map(1, sim.Device());
    Application app(host, names);
    app.Start();
    app.DispatchCommand(id::FaxTestSelectModem);
    app.Shutdown();
    return host.pane;
}

// A modem the test plays on a bare pty: it echoes each command and answers
// from a table (OK for anything not in it), served at the host's pumps.
class TableModem {
public:
    explicit TableModem(std::map<std::string, std::string> answers) : answers_(std::move(answers)) {}
    const std::string& Device() const { return pty_.Slave(); }
    void Serve() {
        pending_ += pty_.Drain(0);
        for (std::size_t cr = pending_.find('\r'); cr != std::string::npos; cr = pending_.find('\r')) {
            std::string command = pending_.substr(0, cr);
            pending_.erase(0, cr + 1);
            if (command.empty()) continue;
            auto answer = answers_.find(command);
            pty_.Send(command + "\r\r\n" + (answer == answers_.end() ? "OK" : answer->second) + "\r\n");
        }
    }

private:
    test::PtyPair pty_;
    std::map<std::string, std::string> answers_;
    std::string pending_;
};

class ProceduresTest : public ::testing::Test {
protected:
    void SetUp() override { host.selection = 0; }

    // COM1 to COM4 behind simulators or missing devices.
    void Map(unsigned com, const std::string& device) { names.Map(com, device); }
    void MapMissing(unsigned com) { names.Map(com, dir.File("no-such-port-" + std::to_string(com))); }

    std::string Run(std::uint16_t commandId) {
        app.Start();
        outcome = app.DispatchCommand(commandId);
        app.Shutdown();
        std::string file = ReadFile(dir.File("Modem001.txt"));
        EXPECT_EQ(file, host.pane) << "the file and the pane differ";
        return host.pane;
    }

    // The log from the first line that contains marker.
    static std::string From(const std::string& log, const std::string& marker) {
        std::size_t at = log.find(marker);
        return at == std::string::npos ? std::string() : log.substr(at);
    }

    // Find All Modems with the table modem on COM1 and no device on the rest.
    std::string FindAllWith(TableModem& modem) {
        Map(1, modem.Device());
        for (unsigned com = 2; com <= 4; ++com) MapMissing(com);
        host.onEveryPump = [&modem] {
            modem.Serve();
            return false;
        };
        return Run(id::FindAllModems);
    }

    // Sets the abort flag at the pump after marker first shows in the log.
    void AbortWhenLogged(const std::string& marker) {
        host.onEveryPump = [this, marker] {
            if (host.pane.find(marker) == std::string::npos) return false;
            app.DispatchCommand(id::AbortEvent);
            return true;
        };
    }

    TempDir dir;
    ScopedChdir cwd{dir.Path()};
    ScriptedHost host;
    PortNames names;
    Application app{host, names};
    ActionOutcome outcome = ActionOutcome::Ignored;
};

TEST_F(ProceduresTest, FaxModemCapabilityTestMatchesTheGoldenLog) {
    ModemSim sim({"--profile", "fax"});
    Map(1, sim.Device());
    ExpectGolden("capability_fax.log", MaskStamps(Run(id::FaxTestSelectModem)));
    EXPECT_EQ(host.enabledHistory, (std::vector<bool>{false, true}));

    // The progress follows the script's own steps and counts every command.
    std::vector<std::string> steps;
    for (const Progress& now : host.progress) {
        std::string step = now.phase == Phase::FaxClass ? "class " + std::string(now.faxClass)
                           : now.phase == Phase::Testing ? "testing" : "other";
        if (steps.empty() || steps.back() != step) steps.push_back(step);
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"testing", "class 0", "class 1", "class 2", "class 2.0"}));
    ASSERT_FALSE(host.progress.empty());
    EXPECT_EQ(host.progress.back().commands, 138u);
    EXPECT_EQ(host.progress.back().comNumber, 1u);
}

// Each class the modem refuses is told as not supported, and its battery
// is skipped: the script goes on with the reset before the next class.
TEST(ProcedureClasses, EachModemIsToldTheClassesItRefuses) {
    struct Row {
        const char* profile;
        std::size_t supported, commands;
    };
    for (const Row& row : {Row{"class1", 2, 94}, Row{"data", 1, 50 + 21}}) {
        SCOPED_TRACE(row.profile);
        const std::string log = CapabilityLog({"--profile", row.profile});
        EXPECT_EQ(Count(log, "This FaxModem supports Class "), row.supported);
        EXPECT_EQ(Count(log, "This FaxModem does not support Class "), 4 - row.supported);
        EXPECT_EQ(Count(log, "OUT: ATE0\r\n"), row.supported);
        EXPECT_EQ(Count(log, "\nOUT: "), row.commands);
        EXPECT_NE(log.find("support Class 2, Fax Mode.\r\nReset the modem:\r\nOUT: AT&F\r\n"), std::string::npos);
    }
}

TEST_F(ProceduresTest, NumericModemTimesOutEverywhereAndSupportsNoClass) {
    ModemSim sim({"--profile", "numeric"});
    Map(1, sim.Device());
    std::string log = Run(id::FaxTestSelectModem);
    EXPECT_EQ(Count(log, "\nOUT: "), 50u);
    EXPECT_EQ(Count(log, "This FaxModem does not support Class "), 4u);
    for (const char* word : {"\nIN : OK\r", "\nIN : ERROR\r"}) EXPECT_EQ(Count(log, word), 0u) << word;
    EXPECT_NE(log.find("IN : 0\r\n"), std::string::npos);  // numeric codes are logged, never final
}

TEST_F(ProceduresTest, FindAllModemsMatchesTheGoldenLog) {
    ModemSim sim({"--profile", "fax"});
    Map(1, sim.Device());
    MapMissing(2);
    ModemSim data({"--profile", "data"});
    Map(3, data.Device());
    MapMissing(4);
    std::string log = Run(id::FindAllModems);
    EXPECT_FALSE(app.Port().IsOpen());
    EXPECT_TRUE(host.boxes.size() == 1u) << "a scan shows no box";
    ExpectGolden("find_all_modems.log", MaskStamps(log));
}

TEST_F(ProceduresTest, SilentPortHasNoModem) {
    ModemSim sim({"--profile", "silent"});
    Map(1, sim.Device());
    for (unsigned com = 2; com <= 4; ++com) MapMissing(com);
    std::string log = Run(id::FaxTestAllModems);
    EXPECT_EQ(Count(log, "There does not appear to be a modem on this opened UART.\r\n"), 1u);
    EXPECT_EQ(Count(log, "There appears"), 0u);
    EXPECT_EQ(Count(log, "\nOUT: "), 3u);  // the probe only: no capability test
}

TEST_F(ProceduresTest, AbortDuringClassOneBatteryStopsAtTheNextReset) {
    ModemSim sim({"--profile", "fax"});
    Map(1, sim.Device());
    // Abort once the battery of class 1 has started.
    host.onEveryPump = [this] {
        std::size_t classOne = host.pane.find("This FaxModem supports Class 1, Fax Mode.\r\n");
        if (classOne == std::string::npos || host.pane.find("OUT: ATE0\r\n", classOne) == std::string::npos) return false;
        app.DispatchCommand(id::AbortEvent);
        return true;
    };
    std::string log = Run(id::FaxTestSelectModem);
    std::string tail = From(log, "This FaxModem supports Class 1, Fax Mode.\r\n");
    std::string expected =
        "OUT: ATE0\r\nAborted by user.\r\nReset the modem:\r\nOUT: AT&F\r\nAborted by user.\r\n"
        "Closed COM1 - <stamp>\r\nEnd Session - <stamp>\r\n";
    EXPECT_NE(MaskStamps(tail).find(expected), std::string::npos) << tail;
    EXPECT_EQ(Count(log, "Class 2, Fax Mode"), 0u);
    EXPECT_EQ(Count(log, "Aborted by user.\r\n"), 2u);
    EXPECT_EQ(host.enabledHistory.back(), true);
}

TEST_F(ProceduresTest, AbortDuringAti3EndsTheScriptThere) {
    ModemSim sim({"--profile", "fax"});
    Map(1, sim.Device());
    AbortWhenLogged("OUT: ATI3\r\n");
    std::string log = Run(id::FaxTestSelectModem);
    std::string tail = MaskStamps(From(log, "OUT: ATI3\r\n"));
    EXPECT_EQ(tail, "OUT: ATI3\r\nAborted by user.\r\nClosed COM1 - <stamp>\r\nEnd Session - <stamp>\r\n");
    EXPECT_EQ(Count(log, "End information gathering"), 0u);
}

TEST_F(ProceduresTest, AbortWhileScanningTheSecondPortClosesItAndEndsTheScan) {
    ModemSim first({"--profile", "fax"});
    ModemSim second({"--profile", "fax"});
    ModemSim third({"--profile", "fax"});
    Map(1, first.Device());
    Map(2, second.Device());
    Map(3, third.Device());
    MapMissing(4);
    AbortWhenLogged("Opened COM2 - ");
    std::string log = Run(id::FindAllModems);
    std::string tail = MaskStamps(From(log, "Opened COM2 - "));
    EXPECT_EQ(tail,
              "Opened COM2 - <stamp>\r\nReset the modem:\r\nOUT: AT&F\r\nAborted by user.\r\n"
              "Closed COM2 - <stamp>\r\nEnd Session - <stamp>\r\n");
    EXPECT_EQ(Count(log, "COM3"), 0u);
    EXPECT_FALSE(app.Port().IsOpen());
}

TEST_F(ProceduresTest, NoiseNeverCrashesAndControlLinesAreLoggedRaw) {
    ModemSim sim({"--profile", "fax", "--noise", "--seed", "7"});
    Map(1, sim.Device());
    std::string log = Run(id::FaxTestSelectModem);
    EXPECT_NE(log.find("Reset the modem:"), std::string::npos);
    EXPECT_NE(log.find("End Session - "), std::string::npos);
    // Lines that open with a control byte or a frame byte keep that byte.
    bool rawLine = false;
    for (std::size_t at = log.find("IN : "); at != std::string::npos; at = log.find("IN : ", at + 1)) {
        unsigned char first = static_cast<unsigned char>(log[at + 5]);
        if (first == 0xFF || first == 0x11 || (first < 0x20 && first != '\r')) rawLine = true;
    }
    EXPECT_TRUE(rawLine);
}

TEST_F(ProceduresTest, HangupEndsEveryLaterTransactionByItsTimeout) {
    ModemSim sim({"--profile", "fax", "--hangup-after", "1"});
    Map(1, sim.Device());
    for (unsigned com = 2; com <= 4; ++com) MapMissing(com);
    auto started = std::chrono::steady_clock::now();
    std::string log = Run(id::FindAllModems);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(60)) << "something hung";
    std::string expected =
        "OUT: AT&F\r\nIN : AT&F\r\nIN : OK\r\n"
        "Be sure we are configured for Long Responses:\r\nOUT: ATV1\r\nOUT: AT\r\n"
        "There does not appear to be a modem on this opened UART.\r\nClosed COM1 - ";
    EXPECT_NE(log.find(expected), std::string::npos) << log;
}

// Only the bare AT decides whether a modem is there.
TEST_F(ProceduresTest, AModemThatAnswersAtWithErrorCountsAsAbsent) {
    TableModem modem(std::map<std::string, std::string>{{"AT", "ERROR"}});
    std::string log = FindAllWith(modem);
    EXPECT_EQ(outcome, ActionOutcome::Done);
    std::string expected =
        "Reset the modem:\r\nOUT: AT&F\r\nIN : AT&F\r\nIN : OK\r\n"
        "Be sure we are configured for Long Responses:\r\nOUT: ATV1\r\nIN : ATV1\r\nIN : OK\r\n"
        "OUT: AT\r\nIN : AT\r\nIN : ERROR\r\n"
        "There does not appear to be a modem on this opened UART.\r\nClosed COM1 - ";
    EXPECT_NE(log.find(expected), std::string::npos) << log;
    EXPECT_EQ(Count(log, "There appears"), 0u);
}

TEST_F(ProceduresTest, AModemThatRefusesResetAndV1ButAnswersAtCountsAsPresent) {
    TableModem modem(std::map<std::string, std::string>{{"AT&F", "ERROR"}, {"ATV1", "ERROR"}});
    std::string log = FindAllWith(modem);
    std::string expected =
        "Reset the modem:\r\nOUT: AT&F\r\nIN : AT&F\r\nIN : ERROR\r\n"
        "Be sure we are configured for Long Responses:\r\nOUT: ATV1\r\nIN : ATV1\r\nIN : ERROR\r\n"
        "OUT: AT\r\nIN : AT\r\nIN : OK\r\n"
        "There appears to be a modem on this opened UART.\r\nClosed COM1 - ";
    EXPECT_NE(log.find(expected), std::string::npos) << log;
}

// Each port is closed before the next opens; only COM1 and COM3 get the test.
TEST_F(ProceduresTest, FaxTestAllModemsWithModemsOnCom1AndCom3Only) {
    ModemSim first({"--profile", "fax"});
    ModemSim third({"--profile", "class1"});
    test::PtyPair second;
    test::PtyPair fourth;
    ASSERT_TRUE(second.Ok() && fourth.Ok());
    Map(1, first.Device());
    Map(2, second.Slave());
    Map(3, third.Device());
    Map(4, fourth.Slave());
    std::string log = MaskStamps(Run(id::FaxTestAllModems));
    EXPECT_EQ(outcome, ActionOutcome::Done);

    // The ports in order, each closed before the next is opened.
    std::size_t at = 0;
    for (unsigned com = 1; com <= 4; ++com) {
        std::string opened = "Opened COM" + std::to_string(com) + " - <stamp>\r\n";
        std::string closed = "Closed COM" + std::to_string(com) + " - <stamp>\r\n";
        std::size_t open = log.find(opened, at);
        std::size_t close = log.find(closed, at);
        ASSERT_NE(open, std::string::npos) << com;
        ASSERT_NE(close, std::string::npos) << com;
        std::string port = log.substr(open, close - open);
        EXPECT_EQ(port.find("Opened COM", opened.size()), std::string::npos) << "COM" << com << " overlaps the next";
        bool modem = com == 1 || com == 3;
        EXPECT_EQ(port.find("There appears to be a modem") != std::string::npos, modem) << com;
        EXPECT_EQ(port.find("There does not appear to be a modem") != std::string::npos, !modem) << com;
        // The capability test names its port and ends with its reset.
        EXPECT_EQ(port.find("COM" + std::to_string(com) + "\r\n") != std::string::npos, modem) << com;
        EXPECT_EQ(port.find("OUT: ATI3\r\n") != std::string::npos, modem) << com;
        at = close;
    }
    EXPECT_NE(log.find("This FaxModem supports Class 2.0, Fax Mode."), std::string::npos);
    EXPECT_FALSE(app.Port().IsOpen());
}

TEST_F(ProceduresTest, AScanThatOpensNoPortSaysSo) {
    for (unsigned com = 1; com <= 4; ++com) MapMissing(com);
    std::string log = Run(id::FindAllModems);
    EXPECT_EQ(outcome, ActionOutcome::PortNotOpened);
    EXPECT_EQ(Count(log, "The system cannot find the UART(COM-Port) specified:\r\n"), 4u);
    EXPECT_EQ(Count(log, "OUT: "), 0u);
}

// The logs the report is tested on are what the simulator's real modems,
// its modems of their own and a fax modem that hangs up give today.
TEST(CorpusLogs, RealModemProfilesStillGiveTheirLogs) {
    std::vector<std::pair<std::string, std::vector<std::string>>> runs = {
        {"hangup_fax.log", {"--profile", "fax", "--hangup-after", "12"}},
        // The simulator's modems of their own: a class 1 USB modem with
        // voice, a V.34 class 2.0 fax, a data modem.
        {"report_usbclass1.log", {"--profile", "usbclass1"}},
        {"report_v34fax.log", {"--profile", "v34fax"}},
        {"report_dataonly.log", {"--profile", "dataonly"}},
    };
    for (const char* real : {"usr-courier-v34", "usr-sportster-v34", "zyxel-u1496eg", "telebit-t3000",
                             "multitech-mt1432", "multitech-mt5634zba", "creatix-rc32acl", "ppi-pm14400fxmt",
                             "hayes-optima-336", "davicom-dm336p", "etech-e336rvp"}) {
        runs.push_back({std::string("real_") + real + ".log", {"--profile", std::string("real:") + real}});
    }
    for (const auto& [golden, args] : runs) {
        SCOPED_TRACE(golden);
        ExpectGolden(golden, MaskStamps(CapabilityLog(args)));
    }
}

}  // namespace
}  // namespace quillfen
