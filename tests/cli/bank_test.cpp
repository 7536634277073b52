// SPDX-License-Identifier: MIT
// The report after a run, and a bank of simulated modems tested at once: the
// real quillfen-cli against simulators on real ptys.
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli/port_bank.h"
#include "serial/fake_machine.h"
#include "serial/pty_pair.h"
#include "support/fixtures.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/ser2net.h"

namespace quillfen::test {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

// The COM number a log's port was opened as, 0 when none.
unsigned PortOf(const std::string& log) {
    std::smatch match;
    static const std::regex opened("Opened COM([0-9]+) - ");
    return std::regex_search(log, match, opened) ? static_cast<unsigned>(std::stoul(match[1])) : 0;
}

// The log as COM1 would have written it.
std::string AsComOne(std::string log, unsigned com) {
    std::string name = "COM" + std::to_string(com);
    for (const std::string& line : {"Opened " + name + " - ", "\r\n" + name + "\r\n", "Closed " + name + " - "}) {
        std::string one = line;
        one.replace(one.find(name), name.size(), "COM1");
        for (std::size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + one.size()))
            log.replace(at, line.size(), one);
    }
    return log;
}

// A log ends with its port's closed line and the End Session line, nothing after.
void ExpectProperlyEnded(const std::string& log, unsigned com) {
    std::string closed = "Closed COM" + std::to_string(com) + " - ";
    std::size_t at = log.rfind(closed);
    ASSERT_NE(at, std::string::npos) << log.substr(log.size() > 400 ? log.size() - 400 : 0);
    std::size_t lineEnd = log.find("\r\n", at);
    ASSERT_NE(lineEnd, std::string::npos);
    EXPECT_EQ(log.compare(lineEnd + 2, 14, "End Session - "), 0) << log.substr(at);
    EXPECT_EQ(log.find("\r\n", lineEnd + 2), log.size() - 2) << log.substr(at);
}

struct Bank {
    explicit Bank(unsigned count, const std::vector<std::string>& simArgs) {
        for (unsigned com = 1; com <= count; ++com) {
            sims.push_back(std::make_unique<ModemSim>(simArgs));
            maps.push_back("--map");
            maps.push_back("COM" + std::to_string(com) + "=" + sims.back()->Device());
        }
    }
    std::vector<std::unique_ptr<ModemSim>> sims;
    std::vector<std::string> maps;
};

std::vector<std::string> Join(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

TEST(ReportCli, TestWithReportNamesEveryFaxClassOnStderr) {
    TempDir dir;
    CliRun run = RunQuillfenCli({"--sim", "fax", "test", "--report"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, ReadFile(dir.File("Modem001.txt"))) << "stdout keeps the log's bytes alone";
    std::size_t report = run.err.find("Report on Modem001.txt: 1 capability test");
    ASSERT_NE(report, std::string::npos) << run.err;
    // The words the report's own tests leave to this whole run.
    std::string text = run.err.substr(report);
    for (const char* words : {"+FCLASS=? lists 0,1,1.0,2,2.0", "fax class 1.0 (T.31)", "14400 (V.17)",
                              "Battery class 2.0:", "Verdict:"}) {
        EXPECT_THAT(text, HasSubstr(words)) << words << "\n" << text;
    }
}

TEST(BankCli, EightModemsAtOnceWriteEightLogsEachEqualToASingleRun) {
    Bank bank(8, {"--profile", "fax"});
    TempDir single;
    CliRun one = RunQuillfenCli({"test-all", "--ports", "COM1", "--map", bank.maps[1]}, single.Path());
    ASSERT_EQ(one.exitCode, 0) << one.err;
    const std::string expected = MaskStamps(ReadFile(single.File("Modem001.txt")));
    ASSERT_THAT(expected, HasSubstr("This FaxModem supports Class 2.0"));

    TempDir dir;
    CliRun run = RunQuillfenCli(Join({"test-all", "--ports", "COM1-COM8", "--jobs", "8"}, bank.maps), dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::vector<std::string> logs = LogFiles(dir.Path());
    ASSERT_EQ(logs.size(), 8u);
    std::vector<bool> seen(9, false);
    for (const std::string& path : logs) {
        std::string log = ReadFile(path);
        unsigned com = PortOf(log);
        ASSERT_GE(com, 1u);
        ASSERT_LE(com, 8u);
        EXPECT_FALSE(seen[com]) << "two logs for COM" << com;
        seen[com] = true;
        EXPECT_EQ(AsComOne(MaskStamps(log), com), expected) << path;
        ExpectProperlyEnded(log, com);
    }
    // One report line per port on stdout, in port order; progress on stderr.
    for (unsigned com = 1; com <= 8; ++com) {
        std::string name = "COM" + std::to_string(com) + " ";
        EXPECT_EQ(CountOf(run.out, name), 1u) << run.out;
        EXPECT_THAT(run.err, HasSubstr(name));
    }
    EXPECT_EQ(CountOf(run.out, ": tested; classes accepted 0, 1, 2, 2.0"), 8u) << run.out;
    EXPECT_LT(run.out.find("COM1 "), run.out.find("COM8 "));
}

TEST(BankCli, CtrlCAbortsEveryPortAndEachLogStillEnds) {
    // Paced at 2400 bit/s, so every port is mid-test when Ctrl-C comes.
    Bank bank(8, {"--profile", "fax", "--baud", "2400"});
    TempDir dir;
    CliRun run = RunQuillfenCli(Join({"test-all", "--ports", "COM1-COM8"}, bank.maps), dir.Path(),
                                {{true, " testing", 8, [](pid_t pid) { kill(pid, SIGINT); }}});
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_THAT(run.err, HasSubstr("aborting every port"));
    std::vector<std::string> logs = LogFiles(dir.Path());
    ASSERT_EQ(logs.size(), 8u);
    for (const std::string& path : logs) {
        std::string log = ReadFile(path);
        unsigned com = PortOf(log);
        ASSERT_NE(com, 0u) << path;
        EXPECT_THAT(log, HasSubstr("Aborted by user.\r\n")) << path;
        EXPECT_THAT(log, Not(HasSubstr("This FaxModem supports Class 2.0"))) << path;
        ExpectProperlyEnded(log, com);
    }
    EXPECT_EQ(CountOf(run.out, ": aborted;"), 8u) << run.out;
}

TEST(BankCli, ExitCodeIsTheWorstPortsOutcome) {
    ModemSim fax({"--profile", "fax"});
    ModemSim silent({"--profile", "silent"});
    TempDir dir;
    // Two jobs for three ports: the third waits for a free one.
    CliRun mixed = RunQuillfenCli({"test-all", "--ports", "COM1-COM3", "--jobs", "2", "--map", "COM1=" + fax.Device(),
                                   "--map", "COM2=" + dir.File("no-such-device"), "--map", "COM3=" + silent.Device()},
                                  dir.Path());
    EXPECT_EQ(mixed.exitCode, 1) << "a port that could not be opened outweighs one without a modem\n" << mixed.err;
    EXPECT_THAT(mixed.out, HasSubstr("COM2 "));
    EXPECT_THAT(mixed.out, HasSubstr(": could not be opened"));
    EXPECT_THAT(mixed.out, HasSubstr(": no modem answered"));
    EXPECT_THAT(mixed.out, HasSubstr(": tested;"));
    EXPECT_EQ(LogFiles(dir.Path()).size(), 3u) << "every port gets its log, opened or not";
    EXPECT_LT(mixed.out.find("COM1 "), mixed.out.find("COM2 "));
    EXPECT_LT(mixed.out.find("COM2 "), mixed.out.find("COM3 "));

    // On a terminal the progress block is redrawn in place; --report adds
    // the full report after it.
    CliRun quiet = RunQuillfenCli({"test-all", "--ports", "COM3", "--report", "--map", "COM3=" + silent.Device()},
                                  dir.Path(), {}, {.stderrTerminal = true});
    EXPECT_EQ(quiet.exitCode, 5) << quiet.err;
    EXPECT_THAT(quiet.err, HasSubstr("\x1b[1A\r\x1b[2KCOM3 "));
    EXPECT_THAT(quiet.err, HasSubstr("no modem answered"));
    EXPECT_THAT(quiet.err, HasSubstr("Report on Modem004.txt: 0 capability test(s)"));
}

// The line of one port in the bank's report on standard output.
std::string LineOf(const std::string& out, unsigned com) {
    std::size_t at = out.find("COM" + std::to_string(com) + " ");
    return at == std::string::npos ? std::string() : out.substr(at, out.find('\n', at) - at);
}

TEST(BankCli, EachPortsLineSaysWhatWentWrongAndTheCodeFollowsTheWorst) {
    ModemSim dropping({"--profile", "fax", "--hangup-after", "5"});
    ModemSim fax({"--profile", "fax"});
    TempDir dir;
    // Two names left: the ports take them in port order, and the third
    // port has none, so it is not tested at all.
    for (unsigned number = 1; number <= 997; ++number) {
        char name[32];
        std::snprintf(name, sizeof name, "Modem%03u.txt", number);
        WriteFile(dir.File(name), "");
    }
    CliRun full = RunQuillfenCli({"test-all", "--ports", "COM1-COM3", "--map", "COM1=" + dropping.Device(), "--map",
                                  "COM2=" + dir.File("no-such-device"), "--map", "COM3=" + fax.Device()},
                                 dir.Path());
    EXPECT_EQ(full.exitCode, 3) << "a port without a log outweighs every other outcome\n" << full.err;
    EXPECT_EQ(LineOf(full.out, 1), "COM1 Modem998.txt: hung up after 5 commands") << full.out;
    EXPECT_EQ(LineOf(full.out, 2), "COM2 Modem999.txt: could not be opened: no such device") << full.out;
    EXPECT_EQ(LineOf(full.out, 3),
              "COM3 (no log file): no log file: all names from Modem001.txt to Modem999.txt are taken")
        << full.out;
    EXPECT_EQ(PortOf(ReadFile(dir.File("Modem998.txt"))), 1u);
    EXPECT_THAT(ReadFile(dir.File("Modem999.txt")), HasSubstr("on COM2 an error occurred"));

    // Remote modems take part like local ones, placed by the ports file; a
    // modem that hung up outweighs a port that could not be opened.
    ModemSim remoteA({"--profile", "fax"});
    ModemSim remoteB({"--profile", "class1"});
    Ser2net serverA(remoteA.Device());
    Ser2net serverB(remoteB.Device());
    ASSERT_EQ(serverA.Problem() + serverB.Problem(), "");
    TempDir config;
    std::filesystem::create_directory(config.File("quillfen"));
    WriteFile(config.File("quillfen/ports"), "COM5 = " + serverA.Url() + "\nCOM6 = " + serverB.Url() + "\n");
    ScopedEnv where("XDG_CONFIG_HOME", config.Path());
    ModemSim droppingAgain({"--profile", "fax", "--hangup-after", "5"});
    TempDir fresh;
    CliRun mixed = RunQuillfenCli({"test-all", "--ports", "COM1,COM2,COM5-COM6", "--map",
                                   "COM1=" + droppingAgain.Device(), "--map", "COM2=" + fresh.File("no-such-device")},
                                  fresh.Path());
    EXPECT_EQ(mixed.exitCode, 4) << mixed.err;
    EXPECT_EQ(LineOf(mixed.out, 1), "COM1 Modem001.txt: hung up after 5 commands") << mixed.out;
    EXPECT_THAT(LineOf(mixed.out, 2), StartsWith("COM2 Modem002.txt: could not be opened")) << mixed.out;
    EXPECT_THAT(LineOf(mixed.out, 5), StartsWith("COM5 Modem003.txt: tested; classes accepted 0, 1, 2, 2.0"))
        << mixed.out;
    EXPECT_THAT(LineOf(mixed.out, 6), StartsWith("COM6 Modem004.txt: tested; classes accepted 0, 1")) << mixed.out;
    for (unsigned com : {5u, 6u}) {
        std::string log = ReadFile(fresh.File("Modem00" + std::to_string(com - 2) + ".txt"));
        EXPECT_EQ(PortOf(log), com);
        ExpectProperlyEnded(log, com);
    }
}

// A fault inside one port's session is that port's outcome, named on its
// line, and the program's exit is 70; the other ports and every log end as usual.
TEST(BankCli, AFaultInOnePortsSessionIsToldOnItsLineAndExitsSeventy) {
    TempDir dir;
    ScopedChdir cwd(dir.Path());
    PortNames names;
    names.Map(1, dir.File("no-such-device"));
    cli::BankOptions options;
    options.ports = {1, 2, 3};
    cli::InterruptSignals signals;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const int code = cli::RunBank(options, names, signals, [](Application& app, unsigned com) {
        if (com == 2) throw std::runtime_error("planted fault");
        if (com == 3) throw 3;  // not a std::exception: must not end the program either
        return app.FaxTestPort(com);
    });
    const std::string out = testing::internal::GetCapturedStdout();
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(code, 70);
    EXPECT_EQ(LineOf(out, 1), "COM1 Modem001.txt: could not be opened: no such device") << out;
    EXPECT_EQ(LineOf(out, 2), "COM2 Modem002.txt: internal error: planted fault") << out;
    EXPECT_EQ(LineOf(out, 3), "COM3 Modem003.txt: internal error: of an unknown kind") << out;
    EXPECT_THAT(ReadFile(dir.File("Modem002.txt")), HasSubstr("\r\nEnd Session - "));
}

// The logs are read back for the report lines as the report action reads
// them: one that is no longer a regular file by then is named, not waited on.
TEST(BankCli, ALogThatIsNoLongerAFileIsNamedNotWaitedOn) {
    Bank bank(1, {"--profile", "fax", "--baud", "2400"});
    TempDir dir;
    const std::string log = dir.File("Modem001.txt");
    CliRun run = RunQuillfenCli(Join({"test-all", "--ports", "COM1"}, bank.maps), dir.Path(),
                                {{true, " testing", 1, [&log](pid_t pid) {
                                      unlink(log.c_str());
                                      mkfifo(log.c_str(), 0600);
                                      kill(pid, SIGINT);
                                  }}});
    EXPECT_EQ(run.exitCode, 130) << run.err;
    EXPECT_EQ(LineOf(run.out, 1), "COM1 Modem001.txt: aborted; cannot read Modem001.txt: a FIFO, not a log file")
        << run.out;
}

TEST(BankCli, AllPortsLeavesOutConsolesAndPortsOthersHoldAndSaysWhy) {
    PtyPair console;
    PtyPair held;
    ASSERT_TRUE(console.Ok() && held.Ok());
    ModemSim modem({"--profile", "fax"});
    FakeMachine machine;
    const std::string ttyS0 = machine.Uart(0, 4, console.Slave());
    machine.Consoles("ttyS0                -W- (EC p a)    " + DeviceNumbers(console.Slave()) + "\n");
    const std::string ttyS1 = machine.Uart(1, 4, held.Slave());
    machine.Process(412, "agetty", {held.Slave()});
    machine.UsbTty("ttyACM0", "1-1", "", "U.S. Robotics", "USB Modem", modem.Device());
    ScopedEnv root("QUILLFEN_SYSTEM_ROOT", machine.dir.Path());
    TempDir dir;
    CliRun run = RunQuillfenCli({"test-all", "--ports", "all"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_THAT(run.err, HasSubstr("quillfen-cli: left out COM1 (" + ttyS0 + "): system console, left alone\n"));
    EXPECT_THAT(run.err, HasSubstr("quillfen-cli: left out COM2 (" + ttyS1 + "): in use by agetty (pid 412)\n"));
    EXPECT_EQ(LineOf(run.out, 1) + LineOf(run.out, 2), "") << run.out;
    EXPECT_THAT(LineOf(run.out, 3), StartsWith("COM3 Modem001.txt: tested;")) << run.out;
    EXPECT_EQ(console.Drain(50) + held.Drain(50), "") << "bytes reached a port that is not ours";
}

}  // namespace
}  // namespace quillfen::test
