// SPDX-License-Identifier: MIT
// quillfen-cli run as a user runs it: the real binary in a temporary
// directory, the simulator behind the port on a real pty, signals sent to
// the process, and its stdout, stderr, exit code and log file compared.
#include <fcntl.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

std::function<void(pid_t)> Send(int signalNumber) {
    return [signalNumber](pid_t pid) { kill(pid, signalNumber); };
}

TEST(CliTest, SendToTheSimulatorStreamsTheLogAsItIsWritten) {
    TempDir dir;
    CliRun run = RunQuillfenCli({"--sim", "fax", "send", "ATI3"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;

    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(run.out, log);
    EXPECT_THAT(log, HasSubstr("OUT: ATI3\r\nIN : ATI3\r\n"));
    EXPECT_THAT(log, HasSubstr("Closed COM1 - "));

    // One line names the file first, where the window shows its start-up
    // note; the closing note says where it is.
    EXPECT_THAT(run.err, StartsWith("quillfen-cli: log: " + dir.File("Modem001.txt") + "\n"));
    EXPECT_THAT(run.err, HasSubstr("the log is in " + dir.File("Modem001.txt")));
    // Before it starts, send names the device behind the port.
    EXPECT_THAT(run.err, HasSubstr("\nquillfen-cli: COM1 is /dev/pts/"));
    // Every message carries the one prefix.
    EXPECT_EQ(CountOf(run.err, "quillfen-cli: "), 3u) << run.err;
    EXPECT_EQ(CountOf(run.err, "Quillfen: "), 0u) << run.err;

    // --port picks the COM number the simulator stands behind, and a second
    // run takes the next free log name.
    CliRun second = RunQuillfenCli({"--port", "COM7", "--sim", "fax", "send", "AT"}, dir.Path());
    EXPECT_EQ(second.exitCode, 0) << second.err;
    std::string secondLog = ReadFile(dir.File("Modem002.txt"));
    EXPECT_EQ(second.out, secondLog);
    EXPECT_THAT(secondLog, HasSubstr("Opened COM7 - "));
    EXPECT_THAT(secondLog, HasSubstr("Closed COM7 - "));
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), log);
}

TEST(CliTest, UsageErrorsExitTwoAndTouchNothing) {
    TempDir dir;
    const std::vector<std::vector<std::string>> badLines = {
        {},
        {"frobnicate"},
        {"send"},
        {"test", "extra"},
        {"--port", "COM0", "test"},
        {"--port", "COM257", "test"},
        {"--port", "LPT1", "test"},
        {"--port"},
        {"--map", "COM1", "test"},
        {"--map", "COM1=", "test"},
        {"--map", "COM999=/dev/null", "test"},
        {"--map", "COM1=rfc2217://fax-ts1", "test"},
        {"--bogus", "test"},
        {"--report=yes", "test"},
        {"--speed=9600baud", "test"},
        {"--sim", "fax", "ports"},
        {"--sim", "fax", "--port", "COM5", "find"},
        {"send", ""},
        // Judged before the port opens, so the answer is the same either way.
        {"send", "\nATZ"},
        {"--quiet", "ports"},
        {"report"},
        {"--json", "test"},
        {"--report", "send", "AT"},
        {"--ports", "COM5-COM2", "test-all"},
        {"--ports", "COM1", "test"},
        {"--jobs", "0", "--ports", "COM1", "test-all"},
        {"--jobs", "2", "test-all"},
        {"--sim", "fax", "--ports", "COM1", "test-all"},
    };
    for (const auto& args : badLines) {
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        CliRun run = RunQuillfenCli(args, dir.Path());
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_TRUE(run.out.empty()) << shown;
        EXPECT_THAT(run.err, StartsWith("quillfen-cli: ")) << shown;
        EXPECT_THAT(run.err, HasSubstr("--help")) << shown;
    }
    EXPECT_TRUE(LogFiles(dir.Path()).empty());
    CliRun empty = RunQuillfenCli({"send", ""}, dir.Path());
    EXPECT_THAT(empty.err, HasSubstr("an empty text sends nothing"));
    CliRun speed = RunQuillfenCli({"--speed", "7", "test"}, dir.Path());
    EXPECT_THAT(speed.err, HasSubstr("--speed wants one of 300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, "
                                     "230400; not \"7\""));
    CliRun url = RunQuillfenCli({"--map", "COM2=tcp://[::1:7001", "test"}, dir.Path());
    EXPECT_THAT(url.err, HasSubstr("quillfen-cli: --map COM2: \"tcp://[::1:7001\" names no port: its IPv6 address has "
                                   "no closing bracket"));

    // A variable is held to the same rules, and never quietly replaced by
    // the port's own device.
    {
        ScopedEnv huge("QUILLFEN_COM3", "/dev/" + std::string(5000, 'x'));
        CliRun variable = RunQuillfenCli({"test"}, dir.Path());
        EXPECT_EQ(variable.exitCode, 2) << variable.err;
        EXPECT_EQ(variable.err, "quillfen-cli: QUILLFEN_COM3 names no port: it is 5005 characters long; at most "
                                "4095 are allowed\n");
    }

    // A profile the simulator does not know is a usage error too, and no
    // session starts.
    CliRun badProfile = RunQuillfenCli({"--sim", "no-such-profile", "test"}, dir.Path());
    EXPECT_EQ(badProfile.exitCode, 2) << badProfile.err;
    EXPECT_THAT(badProfile.err, HasSubstr("quillfen-cli: the simulator refused profile \"no-such-profile\""));
    EXPECT_TRUE(LogFiles(dir.Path()).empty());

    CliRun help = RunQuillfenCli({"--help"}, dir.Path());
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"Usage: quillfen-cli", "send TEXT", "test-all", "ports", "--map COMn=DEVICE",
                             "--sim PROFILE", "0    done", "1    the port could not be opened", "2    usage",
                             "130  aborted"}) {
        EXPECT_THAT(help.out, HasSubstr(word));
    }
    // --sim offers every profile the simulator has, as it names them when
    // refusing one it has not.
    ProgramRun refusal = RunProgram({QUILLFEN_MODEMSIM_PATH, "--profile", "?"}, dir.Path());
    std::string profiles = refusal.err.substr(refusal.err.find("one of ") + 7);
    profiles = profiles.substr(0, profiles.find('\n')) + ",";
    const std::size_t sim = help.out.find("\n  --sim PROFILE");
    const std::string simHelp = help.out.substr(sim, help.out.find("\n  --speed") + 1 - sim);
    for (std::size_t at = 0, comma; (comma = profiles.find(',', at)) != std::string::npos; at = comma + 2) {
        const std::string name = profiles.substr(at, comma - at);
        EXPECT_TRUE(simHelp.find(" " + name + ",") != std::string::npos ||
                    simHelp.find(" " + name + "\n") != std::string::npos)
            << name << " is missing from\n" << simHelp;
    }
    EXPECT_TRUE(LogFiles(dir.Path()).empty());
}

// report reads regular files of at most 1 GiB: a missing file, a FIFO with
// no writer, an endless device, a directory or a huge file is refused at
// once with its name, and the logs beside it are still reported.
TEST(CliTest, ReportRefusesWhatIsNoLogFileWithoutWaitingOrFillingMemory) {
    TempDir dir;
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
    WriteFile(dir.File("huge.txt"), "");
    ASSERT_EQ(truncate(dir.File("huge.txt").c_str(), (1LL << 30) + 1), 0);
    const std::string golden = std::string(QUILLFEN_TESTDATA_DIR) + "/report_v34fax.log";
    CliRun run = RunQuillfenCli({"report", "no-such-log.txt", "fifo", "/dev/zero", "folder", "huge.txt", golden},
                                dir.Path());
    EXPECT_EQ(run.exitCode, 2) << run.err;
    EXPECT_EQ(run.err, "quillfen-cli: cannot read no-such-log.txt: " + std::string(std::strerror(ENOENT)) + "\n" +
                       "quillfen-cli: cannot read fifo: a FIFO, not a log file\n"
                       "quillfen-cli: cannot read /dev/zero: a device, not a log file\n"
                       "quillfen-cli: cannot read folder: a directory, not a log file\n"
                       "quillfen-cli: cannot read huge.txt: larger than 1 GiB, which no session log is\n");
    EXPECT_THAT(run.out, StartsWith("Report on " + golden + ": 1 capability test"));
    CliRun json = RunQuillfenCli({"report", "--json", golden}, dir.Path());
    EXPECT_EQ(json.exitCode, 0) << json.err;
    EXPECT_THAT(json.out, StartsWith("{\"logs\":[{\"file\":"));

    // A failure nobody planned for, here memory running out, is named and
    // exits 70. (AddressSanitizer's allocator aborts where memory runs out
    // instead of throwing, so only the plain build can show it.)
#if !defined(__SANITIZE_ADDRESS__)
    ASSERT_EQ(truncate(dir.File("huge.txt").c_str(), 900LL << 20), 0);
    CliRun starved =
        RunQuillfenCli({"report", "huge.txt"}, dir.Path(), {}, {.wrapper = {"/usr/bin/prlimit", "--as=400000000"}});
    EXPECT_EQ(starved.exitCode, 70) << starved.err;
    EXPECT_THAT(starved.err, StartsWith("quillfen-cli: internal error: "));
    EXPECT_EQ(CountOf(starved.err, "\n"), 1u) << starved.err;
#endif
}

TEST(CliTest, APortThatCannotBeOpenedExitsOne) {
    TempDir dir;
    const std::string missing = dir.File("no-such-device");

    // Nobody at a terminal: the failure box is shown and answered Cancel.
    CliRun test = RunQuillfenCli({"--map", "COM1=" + missing, "test"}, dir.Path());
    EXPECT_EQ(test.exitCode, 1) << test.err;
    EXPECT_THAT(test.err,
                HasSubstr("quillfen-cli: While trying to open your modem on COM1 an error occurred as follows:\n"));
    EXPECT_THAT(test.err, Not(HasSubstr("[R]etry")));
    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(test.out, log);
    EXPECT_THAT(log, Not(HasSubstr("Opened COM")));
    EXPECT_THAT(log, Not(HasSubstr("Closed COM")));
    EXPECT_THAT(log, HasSubstr("End Session - "));

    CliRun send = RunQuillfenCli({"--port", "COM3", "--map", "COM3=" + missing, "send", "ATI"}, dir.Path());
    EXPECT_EQ(send.exitCode, 1) << send.err;
    EXPECT_THAT(send.err, HasSubstr("on COM3 an error occurred"));
    EXPECT_THAT(ReadFile(dir.File("Modem002.txt")), Not(HasSubstr("OUT: ATI\r\n")));

    // A scan reports failed opens in the log, not in boxes; none opened is 1.
    CliRun find = RunQuillfenCli({"--map", "COM1=" + missing, "--map", "COM2=" + missing, "--map",
                                  "COM3=" + missing, "--map", "COM4=" + missing, "find"},
                                 dir.Path());
    EXPECT_EQ(find.exitCode, 1) << find.err;
    EXPECT_THAT(find.err, Not(HasSubstr("While trying to open")));
    EXPECT_EQ(CountOf(find.out, "While trying to open your modem on COM"), 4u);
    EXPECT_EQ(find.out, ReadFile(dir.File("Modem003.txt")));
}

TEST(CliTest, OnATerminalTheFailedOpenAsksRetryOrCancel) {
    TempDir dir;
    PtyPair terminal;
    ASSERT_TRUE(terminal.Ok());
    // Blocking, as a terminal's reader expects; the pair's keeper is not.
    int slave = open(terminal.Slave().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave, 0);

    auto answer = [&terminal](const char* text) {
        return [&terminal, text](pid_t) {
            ASSERT_GT(write(terminal.Master(), text, std::char_traits<char>::length(text)), 0);
        };
    };
    CliRun run = RunQuillfenCli({"--map", "COM1=" + dir.File("no-such-device"), "test"}, dir.Path(),
                                {{true, "[R]etry or [C]ancel? ", 1, answer("what\n")},
                                 {true, "[R]etry or [C]ancel? ", 2, answer("r\n")},
                                 {true, "[R]etry or [C]ancel? ", 3, answer("C\n")}},
                                {.stdinFd = slave});
    close(slave);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The unclear answer is asked again; Retry fails once more and shows the
    // box again; Cancel ends it.
    EXPECT_EQ(CountOf(run.err, "While trying to open your modem on COM1"), 2u) << run.err;
    EXPECT_EQ(CountOf(run.err, "[R]etry or [C]ancel? "), 3u) << run.err;
    EXPECT_EQ(run.out, ReadFile(dir.File("Modem001.txt")));
}

TEST(CliTest, InterruptAbortsTheActionAndEndsTheLogCleanly) {
    struct Case {
        const char* name;
        std::vector<ProgramTrigger> triggers;
    };
    const std::vector<Case> cases = {
        {"one Ctrl-C", {{false, "OUT: ", 1, Send(SIGINT)}}},
        {"two Ctrl-C",
         {{false, "OUT: ", 1, Send(SIGINT)}, {true, "press Ctrl-C again", 1, Send(SIGINT)}}},
        {"SIGTERM", {{false, "OUT: ", 1, Send(SIGTERM)}}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        CliRun run = RunQuillfenCli({"--sim", "silent", "test"}, dir.Path(), c.triggers);
        EXPECT_EQ(run.exitCode, 130) << c.name << "\n" << run.err;
        std::string log = ReadFile(dir.File("Modem001.txt"));
        EXPECT_EQ(run.out, log) << c.name;

        // The signal reached the dispatch as an abort, and then the end.
        EXPECT_EQ(CountOf(log, "Aborted by user.\r\n"), 1u) << c.name << "\n" << log;
        EXPECT_LT(log.find("Aborted by user.\r\n"), log.find("End Session - ")) << c.name;
    }
}

TEST(CliTest, OnAMachineWithAConsoleAndAUsbModemTheConsoleIsLeftAloneAndTheModemFound) {
    PtyPair console;
    ASSERT_TRUE(console.Ok());
    ModemSim modem({"--profile", "fax"});
    FakeMachine machine;
    machine.Consoles("ttyS0                -W- (EC p a)    " + DeviceNumbers(console.Slave()) + "\n");
    const std::string ttyS0 = machine.Uart(0, 4, console.Slave());
    const std::string acm = machine.UsbTty("ttyACM0", "1-1", "", "U.S. Robotics", "USB Modem", modem.Device());
    ScopedEnv root("QUILLFEN_SYSTEM_ROOT", machine.dir.Path());

    TempDir dir;
    CliRun ports = RunQuillfenCli({"ports"}, dir.Path());
    EXPECT_EQ(ports.exitCode, 0) << ports.err;
    EXPECT_THAT(ports.out, HasSubstr("\n" + acm + "  COM2  USB 0572:1329 U.S. Robotics USB Modem\n"));
    // A mapping reaches the listing (the modem is placed once, by hand); a
    // listing writes no log.
    CliRun mapped = RunQuillfenCli({"--map", "COM9=" + acm, "ports"}, dir.Path());
    EXPECT_THAT(mapped.out, HasSubstr("\n" + acm + "  COM9  USB "));
    EXPECT_TRUE(LogFiles(dir.Path()).empty());

    // Traced when the machine lets us, to show that the console is never opened.
    std::vector<std::string> tracer;
    const std::string trace = dir.File("opens.trace");
    // The leak checker stops the world with ptrace, which a traced program
    // cannot; it is left out of this one run.
    if (access("/usr/bin/strace", X_OK) == 0) {
        tracer = {"/usr/bin/strace", "-f", "-qq", "-E", "ASAN_OPTIONS=detect_leaks=0", "-e", "trace=open,openat",
                  "-o", trace};
    }
    CliRun find = RunQuillfenCli({"find"}, dir.Path(), {}, {.wrapper = tracer});
    EXPECT_EQ(find.exitCode, 0) << find.err;
    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(find.out, log);
    EXPECT_THAT(log, HasSubstr("While trying to open your modem on COM1 an error occurred as follows:\r\n"
                               "Windows Open Modem function returned:\r\nError Code 16:\r\nSharing Violation:\r\n"));
    EXPECT_THAT(log, Not(HasSubstr("Opened COM1")));
    EXPECT_THAT(log, HasSubstr("Opened COM2 - "));
    EXPECT_EQ(CountOf(log, "There appears to be a modem on this opened UART.\r\n"), 1u);
    EXPECT_THAT(find.err, HasSubstr("quillfen-cli: " + ttyS0 + " is a system console; it is left alone\n"));
    std::string opens = ReadFile(trace);
    if (!opens.empty()) {
        EXPECT_THAT(opens, HasSubstr(acm)) << "the trace shows no open of the modem";
        EXPECT_THAT(opens, Not(HasSubstr(console.Slave())));
        EXPECT_THAT(opens, Not(HasSubstr(ttyS0)));
    }

    // With the USB modem alone it is COM1, and test names it before it starts.
    FakeMachine usbOnly;
    const std::string alone = usbOnly.UsbTty("ttyACM0", "1-1", "", "U.S. Robotics", "USB Modem", modem.Device());
    ScopedEnv onlyRoot("QUILLFEN_SYSTEM_ROOT", usbOnly.dir.Path());
    CliRun test = RunQuillfenCli({"send", "ATI3"}, dir.Path());
    EXPECT_EQ(test.exitCode, 0) << test.err;
    EXPECT_THAT(test.err, HasSubstr("quillfen-cli: COM1 is " + alone + " (U.S. Robotics USB Modem)\n"));
    EXPECT_THAT(test.out, HasSubstr("Opened COM1 - "));
    EXPECT_THAT(test.out, HasSubstr("IN : OK\r\n"));
}

TEST(CliTest, AModemThatHangsUpEndsTheTestAtOnceWithItsOwnCode) {
    ModemSim modem({"--profile", "fax"});
    TempDir dir;
    // Gone after the fourth command: the rest of the test finds it hung up.
    CliRun run = RunQuillfenCli({"--map", "COM1=" + modem.Device(), "test"}, dir.Path(),
                                {{false, "OUT: ", 4, [&modem](pid_t) { modem.Stop(); }}});
    EXPECT_EQ(run.exitCode, 4) << run.err;
    EXPECT_THAT(run.err,
                HasSubstr("quillfen-cli: the modem on COM1 hung up or went away; the commands left get no answer\n"));
    EXPECT_EQ(CountOf(run.err, "hung up"), 1u) << run.err;
    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(run.out, log);
    // The script ran to its end, each command logged with no answer.
    EXPECT_THAT(log, HasSubstr("This FaxModem does not support Class 1"));
    EXPECT_THAT(log, HasSubstr("Closed COM1 - "));
}

// --quiet: the log goes to its file only and the answer comes at the end,
// one summary line on stderr, or with --report the whole report; a bank
// sends its summary lines there too. (Without a log file, see below.)
TEST(CliTest, QuietKeepsStandardOutputEmptyAndEndsWithTheAnswer) {
    TempDir dir;
    CliRun run = RunQuillfenCli({"--quiet", "--sim", "fax", "test"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_THAT(ReadFile(dir.File("Modem001.txt")), HasSubstr("\r\nEnd Session - "));
    const std::string summary = "COM1 Modem001.txt: tested; classes accepted ";
    ASSERT_THAT(run.err, HasSubstr(summary));
    EXPECT_THAT(run.err.substr(run.err.find(summary)), HasSubstr("best fax class")) << run.err;
    EXPECT_EQ(run.err.back(), '\n');
    EXPECT_EQ(CountOf(run.err, "\n"), 4u) << run.err;

    ModemSim modem({"--profile", "fax"});
    CliRun bank = RunQuillfenCli(
        {"--quiet", "--report", "test-all", "--ports", "COM3", "--map", "COM3=" + modem.Device()}, dir.Path());
    EXPECT_EQ(bank.exitCode, 0) << bank.err;
    EXPECT_EQ(bank.out, "");
    EXPECT_THAT(bank.err, HasSubstr("COM3 Modem002.txt: tested; "));
    EXPECT_THAT(bank.err, HasSubstr("Report on Modem002.txt: 1 capability test"));
}

// The log is the product: a session that could make no log file at all
// says why at the start and ends with 3, though standard output has it all.
TEST(CliTest, NoLogFileAtAllExitsThreeWithTheReason) {
    TempDir full;
    for (unsigned n = 1; n <= 999; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "Modem%03u.txt", n);
        WriteFile(full.File(name), "old");
    }
    CliRun send = RunQuillfenCli({"--sim", "fax", "send", "ATI3"}, full.Path());
    EXPECT_EQ(send.exitCode, 3) << send.err;
    EXPECT_THAT(send.err, StartsWith("quillfen-cli: no log file in " + full.Path() +
                                     ": all names from Modem001.txt to Modem999.txt are taken\n"));
    EXPECT_THAT(send.err, HasSubstr("quillfen-cli: no log file was written; standard output has the whole log\n"));
    EXPECT_THAT(send.out, HasSubstr("OUT: ATI3\r\n"));
    // Quiet, nothing would keep the log, so nothing is done at all.
    CliRun quiet = RunQuillfenCli({"--quiet", "--sim", "silent", "test"}, full.Path());
    EXPECT_EQ(quiet.exitCode, 3) << quiet.err;
    EXPECT_EQ(quiet.out, "");
    EXPECT_THAT(quiet.err, HasSubstr("quillfen-cli: --quiet keeps the log in its file only, so nothing was done\n"));

    // A directory nobody may write to: read-only for root, else without rights.
    TempDir dir;
    const std::string locked = dir.File("locked");
    ASSERT_EQ(mkdir(locked.c_str(), 0700), 0);
    const bool mounted = geteuid() == 0 && mount("tmpfs", locked.c_str(), "tmpfs", MS_RDONLY, "size=8k") == 0;
    if (!mounted && geteuid() == 0) GTEST_SKIP() << "root may write anywhere unless a read-only tmpfs can be mounted";
    if (!mounted) chmod(locked.c_str(), 0500);
    CliRun find = RunQuillfenCli({"--sim", "fax", "find"}, locked);
    if (mounted) umount2(locked.c_str(), MNT_DETACH);
    EXPECT_EQ(find.exitCode, 3) << find.err;
    EXPECT_THAT(find.err, StartsWith("quillfen-cli: no log file in " + locked + ": cannot create Modem001.txt: "));
    EXPECT_THAT(find.out, HasSubstr("Opened COM1 - "));
}

// A modem behind ser2net, placed by the ports file: the same log as a local
// run; then the failures a network port has.
TEST(CliTest, ARemoteModemWritesTheLogALocalOneWritesAndFailsLikeOne) {
    ModemSim modem({"--profile", "fax"});
    Ser2net server(modem.Device());
    ASSERT_EQ(server.Problem(), "");
    TempDir config;
    ASSERT_EQ(mkdir(config.File("quillfen").c_str(), 0700), 0);
    WriteFile(config.File("quillfen/ports"), "COM1 = " + server.Url() + "\nCOM2 = tcp://fax-ts1\n");
    ScopedEnv where("XDG_CONFIG_HOME", config.Path());
    TempDir dir;
    CliRun run = RunQuillfenCli({"test"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(run.out, log);
    EXPECT_EQ(MaskStamps(log), ReadFile(std::string(QUILLFEN_TESTDATA_DIR) + "/capability_fax.log"));
    EXPECT_THAT(run.err, HasSubstr("quillfen-cli: COM1 is " + server.Url() + "\n"));
    // The bad line is told once, with where it is, and the rest still counts.
    EXPECT_EQ(CountOf(run.err, "tcp://fax-ts1"), 1u) << run.err;
    EXPECT_THAT(run.err, HasSubstr(config.File("quillfen/ports") + ", line 2: \"tcp://fax-ts1\" names no port"));

    // Nothing there, or no such host: a port that cannot be found, with the
    // host, the port and the system's own words.
    test::RefusingPort refusing;
    const std::pair<std::string, std::string> failures[] = {
        {refusing.HostAndPort(), "connection refused"},
        {"no-such-host.invalid:7001", ""},  // the resolver's words vary
    };
    for (const auto& [place, words] : failures) {
        CliRun failed = RunQuillfenCli({"--map", "COM1=rfc2217://" + place, "send", "AT"}, dir.Path());
        EXPECT_EQ(failed.exitCode, 1) << failed.err;
        EXPECT_THAT(failed.err, HasSubstr("quillfen-cli: cannot reach " + place + ": " + words));
        EXPECT_THAT(failed.err, HasSubstr("Error Code "));
        EXPECT_THAT(failed.err, HasSubstr("The system cannot find the UART(COM-Port) specified:"));
    }
}

// A file system that fills up after a few kilobytes: a small tmpfs where the
// test may mount one, else a file-size limit on the process.
TEST(CliTest, AFullDiskExitsThreeAndTheFileIsStandardOutputUpToTheFailure) {
    TempDir dir;
    const std::string small = dir.File("small");
    ASSERT_EQ(mkdir(small.c_str(), 0700), 0);
    bool mounted = mount("tmpfs", small.c_str(), "tmpfs", 0, "size=8k") == 0;
    std::vector<std::string> limiter;
    if (!mounted) {
        if (access("/usr/bin/prlimit", X_OK) != 0) GTEST_SKIP() << "neither a tmpfs nor prlimit is available";
        limiter = {"/usr/bin/prlimit", "--fsize=8192"};
    }
    // Ignored here, so the limited child gets a write error instead of the
    // signal that would end it.
    struct sigaction ignore {}, previous {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &previous);
    CliRun run = RunQuillfenCli({"--sim", "fax", "test"}, small, {}, {.wrapper = limiter});
    sigaction(SIGXFSZ, &previous, nullptr);
    std::string file = ReadFile(small + "/Modem001.txt");
    if (mounted) umount2(small.c_str(), MNT_DETACH);

    EXPECT_EQ(run.exitCode, 3) << run.err;
    EXPECT_THAT(run.err, HasSubstr("quillfen-cli: The log file " + small + "/Modem001.txt is incomplete: writing to it "
                                   "failed after " + std::to_string(file.size()) + " bytes ("));
    EXPECT_EQ(CountOf(run.err, "is incomplete: writing to it failed"), 1u) << run.err;
    EXPECT_THAT(run.err,
                HasSubstr("the log file " + small + "/Modem001.txt is incomplete; standard output has the whole log"));
    ASSERT_GT(file.size(), 0u);
    EXPECT_LT(file.size(), run.out.size());
    EXPECT_EQ(run.out.compare(0, file.size(), file), 0) << "the file is not standard output's beginning";
    EXPECT_THAT(run.out, HasSubstr("End Session - ")) << "the log went on on standard output";
}

}  // namespace
}  // namespace quillfen::test
