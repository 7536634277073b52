// SPDX-License-Identifier: MIT
// The Windows programs of a MinGW build, run under Wine as a user would run
// them on Windows, against simulated modems on real ptys. One Wine prefix
// and one persistent wineserver serve the whole run. COM ports are links
// in the prefix's dosdevices to the simulators' ptys; the prefix's own port
// mapping (which links COM1 to /dev/ttyS0) is switched off, so a COM number
// without a link fails as a missing port and no real serial port is ever
// opened. Run by `make test-windows`, which says where the .exe files are.
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <regex>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "host/version.h"
#include "support/fixtures.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/ser2net.h"

namespace quillfen::test {
namespace {

namespace fs = std::filesystem;

// Far above any real run; only a hang reaches it.
constexpr auto RunLimit = std::chrono::minutes(4);
constexpr unsigned HighestCom = 256;

std::string FirstExecutable(const std::vector<std::string>& candidates) {
    const char* path = std::getenv("PATH");
    for (const std::string& candidate : candidates) {
        if (candidate.find('/') != std::string::npos) {
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
            continue;
        }
        std::istringstream dirs(path ? path : "");
        for (std::string dir; std::getline(dirs, dir, ':');) {
            const std::string full = (dir.empty() ? "." : dir) + "/" + candidate;
            if (access(full.c_str(), X_OK) == 0) return full;
        }
    }
    return {};
}

// Runs argv in dir, collecting stdout and stderr; stdin is /dev/null and
// stderr a pipe unless the options say otherwise.
ProgramRun RunProcess(std::vector<std::string> argv, const std::string& dir, const std::vector<ProgramTrigger>& triggers = {},
                      ProgramOptions options = {}) {
    const std::string name = argv.empty() ? std::string() : argv[0];
    options.limit = RunLimit;
    ProgramRun run = RunProgram(std::move(argv), dir, triggers, options);
    ExpectRanToTheEnd(run, name);
    return run;
}

// Runs argv in dir with its output going to logPath, and waits for it to
// exit. For the server and the prefix's boot: the processes they leave
// running keep any inherited descriptor open, so a pipe would never end.
int RunDetached(std::vector<std::string> argv, const std::string& dir, const std::string& logPath) {
    const pid_t pid = StartDetached(std::move(argv), dir, logPath);
    if (pid < 0) return -1;
    auto deadline = std::chrono::steady_clock::now() + RunLimit;
    int status = 0;
    while (true) {
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) break;
        if (done < 0 && errno != EINTR) return -1;
        if (std::chrono::steady_clock::now() >= deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        usleep(20000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The Wine prefix, the wineserver and the simulators of the whole run. The
// simulators outlive the server: it is killed first, so no pty it may still
// hold is hung up under it.
class WineSession : public ::testing::Environment {
public:
    void SetUp() override {
        const char* bin = std::getenv("QUILLFEN_WINDOWS_BIN");
        windowsBin_ = bin ? bin : "";
        wine_ = FirstExecutable({"wine64", "wine", "/usr/lib/wine/wine64"});
        wineserver_ = FirstExecutable({"wineserver", "/usr/lib/wine/wineserver"});
        ASSERT_FALSE(windowsBin_.empty()) << "QUILLFEN_WINDOWS_BIN must name the Windows build's bin directory";
        ASSERT_TRUE(fs::exists(windowsBin_ + "/quillfen-cli.exe")) << windowsBin_;
        ASSERT_FALSE(wine_.empty()) << "no wine64 on PATH or in /usr/lib/wine";
        ASSERT_FALSE(wineserver_.empty()) << "no wineserver on PATH or in /usr/lib/wine";

        dir_ = std::make_unique<TempDir>();
        prefix_ = dir_->File("prefix");
        fs::create_directory(prefix_);
        setenv("WINEPREFIX", prefix_.c_str(), 1);
        setenv("WINEDEBUG", "-all", 1);
        // mountmgr.sys maps the machine's serial devices to COM numbers on
        // its own; without it only the links made here exist. mscoree and
        // mshtml would offer to download Mono and Gecko, winemenubuilder
        // would write menu entries into the user's home. Wine takes its own
        // riched32 before one it finds unless told to do as Windows does;
        // the planted-DLL test needs that.
        setenv("WINEDLLOVERRIDES", "mountmgr.sys=d;mscoree,mshtml=;winemenubuilder.exe=d;riched32=n,b", 1);
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");

        const std::string wineLog = dir_->File("wine.log");
        ASSERT_EQ(RunDetached({wineserver_, "-p"}, dir_->Path(), wineLog), 0) << ReadFile(wineLog);
        serverStarted_ = true;
        ASSERT_EQ(RunDetached({wine_, "wineboot", "-i"}, dir_->Path(), wineLog), 0) << ReadFile(wineLog);
        ASSERT_TRUE(fs::is_directory(prefix_ + "/dosdevices")) << ReadFile(wineLog);
        UnlinkAll();
        ready_ = true;
    }

    void TearDown() override {
        if (serverStarted_) {
            const std::string wineLog = dir_->File("wine.log");
            RunDetached({wineserver_, "-k"}, dir_->Path(), wineLog);
            RunDetached({wineserver_, "-w"}, dir_->Path(), wineLog);
        }
        StopDisplay();
        sims_.clear();
        dir_.reset();
    }

    bool Ready() const { return ready_; }
    const std::string& WindowsBin() const { return windowsBin_; }

    std::string ComLink(unsigned com) const { return prefix_ + "/dosdevices/com" + std::to_string(com); }

    void Unlink(unsigned com) {
        std::error_code ec;
        fs::remove(ComLink(com), ec);
    }

    void UnlinkAll() {
        for (unsigned com = 1; com <= HighestCom; ++com) Unlink(com);
    }

    // A simulator no earlier test has talked to, behind COMn.
    void LinkFreshModem(unsigned com, const std::string& profile) {
        sims_.push_back(std::make_unique<ModemSim>(std::vector<std::string>{"--profile", profile}));
        Unlink(com);
        ASSERT_EQ(symlink(sims_.back()->Device().c_str(), ComLink(com).c_str()), 0) << std::strerror(errno);
    }

    // Every COM link in the prefix leads to a pseudo-terminal: nothing a test
    // runs can reach a real serial port.
    void ExpectOnlyPtyLinks() const {
        for (const auto& entry : fs::directory_iterator(prefix_ + "/dosdevices")) {
            std::string name = entry.path().filename().string();
            if (name.rfind("com", 0) != 0) continue;
            std::error_code ec;
            std::string target = fs::read_symlink(entry.path(), ec).string();
            EXPECT_EQ(target.rfind("/dev/pts/", 0), 0u) << name << " -> " << target;
        }
    }

    // program is a file of the Windows build, or a path of its own.
    ProgramRun Run(const std::string& program, std::vector<std::string> args, const std::string& dir,
                   const std::vector<ProgramTrigger>& triggers = {}, const ProgramOptions& options = {}) {
        ExpectOnlyPtyLinks();
        std::vector<std::string> argv{wine_, program.front() == '/' ? program : windowsBin_ + "/" + program};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv, dir, triggers, options);
    }

    // One of Wine's own programs (reg, regsvr32) in the prefix.
    ProgramRun RunWineTool(std::vector<std::string> args, const std::string& dir) {
        args.insert(args.begin(), wine_);
        return RunProcess(args, dir);
    }

    // A display for the window tests, made on first use: an Xvfb server of
    // the run's own, and for the programs that open windows a Wine virtual
    // desktop, which frames and maximizes windows without a window manager.
    // Empty on success, else what went wrong.
    std::string PrepareDisplay() {
        if (!display_.empty()) return {};
        const std::string xvfb = FirstExecutable({"Xvfb"});
        if (xvfb.empty()) return "Xvfb is not installed";
        // Xvfb writes the number it chose alone on a line once it accepts
        // clients; its warnings share the file.
        const std::string xvfbLog = dir_->File("xvfb.log");
        xvfbPid_ = StartDetached({xvfb, "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                                 dir_->Path(), xvfbLog);
        if (xvfbPid_ < 0) return "Xvfb could not be started";
        static const std::regex numberLine("(^|\n)([0-9]+)\n");
        std::smatch number;
        for (auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20); display_.empty();) {
            const std::string log = ReadFile(xvfbLog);
            if (std::regex_search(log, number, numberLine)) display_ = ":" + number[2].str();
            else if (std::chrono::steady_clock::now() >= deadline) return "Xvfb did not start";
            else usleep(50000);
        }

        const std::string wineLog = dir_->File("wine.log");
        // A fresh server: services started by the prefix's boot can hold the
        // service database long enough for RPC to miss its start.
        RunDetached({wineserver_, "-k"}, dir_->Path(), wineLog);
        RunDetached({wineserver_, "-w"}, dir_->Path(), wineLog);
        if (RunDetached({wineserver_, "-p"}, dir_->Path(), wineLog) != 0) return "wineserver did not start again";
        const std::vector<std::vector<std::string>> setup = {
            {wine_, "reg", "add", "HKCU\\Software\\Wine\\Explorer\\Desktops", "/v", "Quillfen", "/d", "1024x768", "/f"},
            {wine_, "reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\win_window_test.exe\\Explorer", "/v",
             "Desktop", "/d", "Quillfen", "/f"},
            {wine_, "reg", "add", "HKCU\\Software\\Wine\\AppDefaults\\win_program_test.exe\\Explorer", "/v",
             "Desktop", "/d", "Quillfen", "/f"},
            // The rich-edit panes use OLE, whose first call would otherwise
            // wait ten seconds for the RPC service to come up.
            {wine_, "net", "start", "rpcss"},
        };
        for (const auto& command : setup) RunDetached(command, dir_->Path(), wineLog);
        return {};
    }

    // Runs a program that opens windows, on the run's display.
    ProgramRun RunWithDisplay(const std::string& program, const std::string& dir) {
        setenv("DISPLAY", display_.c_str(), 1);
        ProgramRun run = Run(program, {}, dir);
        unsetenv("DISPLAY");
        return run;
    }

private:
    void StopDisplay() {
        if (xvfbPid_ <= 0) return;
        kill(xvfbPid_, SIGTERM);
        int status = 0;
        while (waitpid(xvfbPid_, &status, 0) < 0 && errno == EINTR) {
        }
        xvfbPid_ = -1;
    }

    std::string display_;
    pid_t xvfbPid_ = -1;
    std::string windowsBin_;
    std::string wine_;
    std::string wineserver_;
    std::unique_ptr<TempDir> dir_;
    std::string prefix_;
    bool serverStarted_ = false;
    bool ready_ = false;
    std::vector<std::unique_ptr<ModemSim>> sims_;
};

WineSession* Session = nullptr;

std::string Golden(const std::string& name) { return ReadFile(std::string(QUILLFEN_TESTDATA_DIR) + "/" + name); }

bool EndsWith(const std::string& text, const std::string& tail) {
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

class WineTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(Session, nullptr);
        ASSERT_TRUE(Session->Ready()) << "the Wine prefix could not be prepared";
        Session->UnlinkAll();
    }

    ProgramRun Cli(std::vector<std::string> args, const std::vector<ProgramTrigger>& triggers = {},
                   const ProgramOptions& options = {}) {
        return Session->Run("quillfen-cli.exe", std::move(args), dir.Path(), triggers, options);
    }

    TempDir dir;
};

// The capability test on a local COM port and on a modem behind ser2net,
// reached through Winsock: the same log as on Linux.
TEST_F(WineTest, CapabilityTestWritesTheSameLogAsOnLinux) {
    ModemSim remoteModem({"--profile", "fax"});
    Ser2net server(remoteModem.Device());
    ASSERT_EQ(server.Problem(), "");
    // The remote run has no COM link: only the mapping can reach its modem.
    for (const bool local : {true, false}) {
        SCOPED_TRACE(local ? "local" : "remote");
        TempDir runDir;
        if (local) Session->LinkFreshModem(1, "fax");
        else Session->Unlink(1);
        const std::string reach = local ? "--port=COM1" : "--map=COM1=" + server.Url();
        ProgramRun run = Session->Run("quillfen-cli.exe", {reach, "test"}, runDir.Path());
        EXPECT_EQ(run.exitCode, 0) << run.err;
        std::string file = ReadFile(runDir.File("Modem001.txt"));
        EXPECT_EQ(file, run.out) << "the log file differs from what was printed";
        EXPECT_EQ(MaskStamps(file), Golden("capability_fax.log"));
        // The one start-up line joins the Windows directory and the name with a backslash.
        EXPECT_EQ(run.err.rfind("quillfen-cli: log: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find("\\Modem001.txt\n"), std::string::npos) << run.err;
    }
}

// What a new user tries first: the .exe on COM5 against the simulator, and
// the Linux tool with the simulator behind the same port number. Windows
// knows COM1 to COM9 by their bare names only: a mapping to the bare name
// of a higher port must still reach it.
TEST_F(WineTest, SendOnCom5WritesWhatTheLinuxToolWritesAndAMappingReachesComTwelve) {
    Session->LinkFreshModem(5, "fax");
    ProgramRun windows = Cli({"--port", "COM5", "send", "ATI3"});
    EXPECT_EQ(windows.exitCode, 0) << windows.err;
    TempDir nativeDir;
    ProgramRun native = RunProcess({QUILLFEN_CLI_PATH, "--port", "COM5", "--sim", "fax", "send", "ATI3"}, nativeDir.Path());
    EXPECT_EQ(native.exitCode, 0) << native.err;
    EXPECT_EQ(MaskStamps(windows.out), MaskStamps(native.out));
    EXPECT_NE(windows.out.find("IN : Quillfen Simulated V.90 Fax Modem\r\nIN : OK\r\nClosed COM5 - "),
              std::string::npos) << windows.out;
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), windows.out);

    Session->LinkFreshModem(12, "fax");
    ProgramRun mapped = Cli({"--map", "COM3=COM12", "--port", "COM3", "send", "ATI3"});
    EXPECT_EQ(mapped.exitCode, 0) << mapped.err;
    EXPECT_NE(mapped.out.find("IN : Quillfen Simulated V.90 Fax Modem\r\nIN : OK\r\n"), std::string::npos) << mapped.out;
}

// Not a test: the paced wait's benchmark line, with the simulated modem's
// port open as during a command, printed with the run's results.
TEST_F(WineTest, PacedWaitBenchmark) {
    Session->LinkFreshModem(5, "fax");
    ProgramRun run = Session->Run("paced_wait_bench.exe", {"\\\\.\\COM5"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::printf("%s", run.out.c_str());
}

TEST_F(WineTest, FindAllModemsWritesTheSameLogAsOnLinux) {
    Session->LinkFreshModem(1, "fax");
    Session->LinkFreshModem(3, "data");
    // COM2 and COM4 have no link: the ports do not exist.
    auto started = std::chrono::steady_clock::now();
    ProgramRun run = Cli({"find"});
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string file = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(file, run.out);
    EXPECT_EQ(MaskStamps(file), Golden("find_all_modems.log"));
    // Each missing port costs the 1280 ms back-off before it is reported.
    EXPECT_GE(took, std::chrono::milliseconds(2 * 1280));
}

TEST_F(WineTest, MissingPortReportsErrorCodeTwoWithItsText) {
    ProgramRun run = Cli({"--port", "COM9", "send", "ATI3"});
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The rest of the box is the error table's, the same on every system.
    EXPECT_NE(run.err.find("quillfen-cli: While trying to open your modem on COM9 an error occurred as follows:\n"
                           "Windows Open Modem function returned:\nError Code 2:\n"
                           "The system cannot find the UART(COM-Port) specified:\n"),
              std::string::npos)
        << run.err;
    // Nobody at the keyboard: the Retry/Cancel box is answered Cancel once.
    EXPECT_EQ(run.err.find("[R]etry"), std::string::npos);
    std::string file = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(file, run.out);
    EXPECT_TRUE(EndsWith(MaskStamps(file), "=*=*=*=*=*=*\r\n\r\n=*=*=*=*=*=*\r\nEnd Session - <stamp>\r\n")) << file;
}

// At a console (here a pty, which Wine makes one of) the Retry/Cancel box
// takes a typed line: the console hands the program keys, Backspace
// included, and Enter ends the answer.
TEST_F(WineTest, OnAConsoleTheRetryPromptTakesATypedLine) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int console = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(console, 0);
    auto type = [master](const char* keys) {
        return [master, keys](pid_t) { ASSERT_GT(write(master, keys, std::strlen(keys)), 0); };
    };
    ProgramOptions atConsole;
    atConsole.stdinFd = console;
    ProgramRun run = Cli({"--port", "COM9", "send", "ATI3"},
                         {{true, "[R]etry or [C]ancel? ", 1, type("x\x7fr\r")}, {true, "[R]etry or [C]ancel? ", 2, type("c\r")}},
                         atConsole);
    close(console);
    close(master);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The corrected "r" retried once; "c" cancelled.
    EXPECT_EQ(CountOf(run.err, "While trying to open your modem on COM9"), 2u) << run.err;
    EXPECT_EQ(CountOf(run.err, "[R]etry or [C]ancel? "), 2u) << run.err;
}

TEST_F(WineTest, CtrlCAbortsTheTestClosesThePortAndEndsTheSession) {
    Session->LinkFreshModem(1, "fax");
    // Wine turns SIGINT into the console's Ctrl-C event, as a keypress would.
    ProgramRun run =
        Cli({"--port", "COM1", "test"}, {{false, "OUT: ATI3\r\n", 1, [](pid_t pid) { kill(pid, SIGINT); }}});
    EXPECT_EQ(run.exitCode, 130) << run.err;
    std::string file = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(file, run.out);
    std::string masked = MaskStamps(file);
    EXPECT_TRUE(EndsWith(masked, "Aborted by user.\r\nClosed COM1 - <stamp>\r\nEnd Session - <stamp>\r\n")) << masked;
    EXPECT_EQ(masked.find("OUT: AT+FCLASS=?"), std::string::npos) << "the test went on after the abort";
    EXPECT_NE(run.err.find("aborting; press Ctrl-C again to end the session"), std::string::npos) << run.err;
}

TEST_F(WineTest, SimulatorOptionSaysItNeedsAPosixSystem) {
    ProgramRun run = Cli({"--sim", "fax", "test"});
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_NE(run.err.find("--sim needs a POSIX system"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(dir.File("Modem001.txt"))) << "a refused option starts no session";
}

// Device Manager files a USB modem under Modems, not Ports: both classes
// name the ports, a modem's own name over its port's, read as UTF-16 and
// written as UTF-8 when redirected.
TEST_F(WineTest, PortsListsWhatWindowsKnowsByTheNamesDeviceManagerShows) {
    // The prefix's own port mapping is off, so Windows knows no COM port;
    // the links made here are not devices it lists.
    Session->LinkFreshModem(1, "fax");
    ProgramRun run = Cli({"ports"});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Standard output is binary: the bytes the Linux tool writes.
    EXPECT_EQ(run.out, "No serial devices found on this machine.\n");

    const std::string enumRoot = "HKLM\\System\\CurrentControlSet\\Enum\\ROOT\\";
    const std::string portsClass = "{4d36e978-e325-11ce-bfc1-08002be10318}";
    const std::string modemClass = "{4d36e96d-e325-11ce-bfc1-08002be10318}";
    struct Device {
        std::string key, setupClass, name, port;
    };
    const Device devices[] = {
        {enumRoot + "PORTS\\0000", portsClass, "P\xc3\xa9riph\xc3\xa9rique s\xc3\xa9rie USB (COM4)", "COM4"},
        {enumRoot + "PORTS\\0001", portsClass, "USB Serial Device (COM3)", "COM3"},
        {enumRoot + "MODEM\\0000", modemClass, "U.S. Robotics 56K FAX USB", "COM3"},
    };
    {
        // Wine's reg takes its arguments in the locale's encoding.
        ScopedEnv utf8("LANG", "C.UTF-8");
        for (const Device& device : devices) {
            for (const auto& [key, name, data] : {std::tuple{device.key, "ClassGUID", device.setupClass},
                                                  std::tuple{device.key, "FriendlyName", device.name},
                                                  std::tuple{device.key + "\\Device Parameters", "PortName", device.port}})
                Session->RunWineTool({"reg", "add", key, "/v", name, "/d", data, "/f"}, dir.Path());
        }
    }
    run = Cli({"ports"});
    // A console (Wine renders one on a pty, in the locale's UTF-8) is given
    // the name as UTF-16, not as bytes in its own code page.
    ProgramOptions toConsole;
    toConsole.stderrTerminal = true;
    ProgramRun told;
    {
        ScopedEnv utf8("LANG", "C.UTF-8");
        told = Cli({"--port", "COM4", "send", "AT"}, {}, toConsole);
    }
    for (const Device& device : devices) Session->RunWineTool({"reg", "delete", device.key, "/f"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("\\\\.\\COM3  COM3  U.S. Robotics 56K FAX USB\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("\\\\.\\COM4  COM4  P\xc3\xa9riph\xc3\xa9rique s\xc3\xa9rie USB (COM4)\n"),
              std::string::npos)
        << run.out;
    EXPECT_NE(told.err.find("COM4 is \\\\.\\COM4 (P\xc3\xa9riph\xc3\xa9rique s\xc3\xa9rie USB (COM4))"), std::string::npos)
        << told.err;
}

// A copy on a Windows PC without MinGW must start: nothing but the system's
// own DLLs may be imported. The two programs users get go further: started
// from a Downloads folder, they must not take a planted DLL from beside
// them, so they import only DLLs Windows always takes from its own folder
// (its known DLLs), and each stays one small file.
TEST_F(WineTest, ProgramsNeedNoDllBeyondWindowsOwn) {
    const std::string objdump = FirstExecutable({"x86_64-w64-mingw32-objdump"});
    if (objdump.empty()) GTEST_SKIP() << "x86_64-w64-mingw32-objdump is not installed";
    static const std::regex knownDll("(ADVAPI32|COMDLG32|GDI32|IMM32|KERNEL32|msvcrt|OLE32|OLEAUT32|SETUPAPI|"
                                     "SHELL32|SHLWAPI|USER32|WS2_32)\\.dll",
                                     std::regex::icase);
    static const std::regex systemDll("(KERNEL32|ADVAPI32|msvcrt|SETUPAPI|WS2_32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|VERSION|"
                                      "RICHED20|RICHED32|OLE32|UCRTBASE|api-ms-win-[a-z0-9-]+)\\.dll",
                                      std::regex::icase);
    struct Program {
        const char* name;
        bool shipped;
    };
    for (const Program program : {Program{"quillfen-cli.exe", true}, Program{"quillfen.exe", true},
                                  Program{"win_session_log_test.exe", false}, Program{"win_serial_device_test.exe", false},
                                  Program{"win_window_test.exe", false}, Program{"win_program_test.exe", false}}) {
        const std::string path = Session->WindowsBin() + "/" + program.name;
        ProgramRun run = RunProcess({objdump, "-p", path}, dir.Path());
        ASSERT_EQ(run.exitCode, 0) << run.err;
        std::size_t imports = 0;
        std::istringstream lines(run.out);
        for (std::string line; std::getline(lines, line);) {
            std::size_t at = line.find("DLL Name: ");
            if (at == std::string::npos) continue;
            ++imports;
            std::string dll = line.substr(at + 10);
            EXPECT_TRUE(std::regex_match(dll, program.shipped ? knownDll : systemDll)) << program.name << " imports " << dll;
        }
        EXPECT_GT(imports, 0u) << program.name;
        if (program.shipped) {
            EXPECT_LT(fs::file_size(path), 1500u * 1000u) << program.name;
        }
    }
}

// The zip a Windows user downloads, unpacked as they would: the files its
// README names, texts with CR LF line ends, checksums that hold, and a
// program that starts from there and tells the version the zip is named by.
TEST_F(WineTest, TheZipHoldsWhatItSaysAndItsProgramStarts) {
    const char* zip = std::getenv("QUILLFEN_WINDOWS_ZIP");
    if (!zip || !*zip) GTEST_SKIP() << "QUILLFEN_WINDOWS_ZIP names no zip; make test-windows builds one";
    EXPECT_EQ(fs::path(zip).filename(), "quillfen-" QUILLFEN_PACKAGE_VERSION "-win64.zip");
    const std::string unpacked = dir.File("unpacked");
    ProgramRun unzip = RunProcess({FirstExecutable({"unzip"}), "-q", zip, "-d", unpacked}, dir.Path());
    ASSERT_EQ(unzip.exitCode, 0) << unzip.err;

    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(unpacked)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"LICENSE.txt", "README.txt", "SHA256SUMS", "THIRD-PARTY.txt",
                                               "quillfen-cli.exe", "quillfen.exe"}));
    for (const char* text : {"README.txt", "LICENSE.txt", "THIRD-PARTY.txt"}) {
        const std::string bytes = ReadFile(unpacked + "/" + text);
        std::size_t lineEnds = 0, crLf = 0;
        for (std::size_t at = bytes.find('\n'); at != std::string::npos; at = bytes.find('\n', at + 1)) {
            ++lineEnds;
            if (at > 0 && bytes[at - 1] == '\r') ++crLf;
        }
        EXPECT_GT(lineEnds, 10u) << text;
        EXPECT_EQ(crLf, lineEnds) << text << " has line ends without CR";
    }
    ProgramRun sums = RunProcess({FirstExecutable({"sha256sum"}), "--check", "--strict", "SHA256SUMS"}, unpacked);
    EXPECT_EQ(sums.exitCode, 0) << sums.out << sums.err;

    ProgramRun version = Session->Run(unpacked + "/quillfen-cli.exe", {"--version"}, unpacked);
    EXPECT_EQ(version.exitCode, 0) << version.err;
    EXPECT_EQ(version.out.substr(0, version.out.find_first_of("\r\n")),
              "quillfen-cli " QUILLFEN_PACKAGE_VERSION " (Quillfen " QUILLFEN_PRODUCT_VERSION ")");
}

// The Windows test programs, each with what it needs: a simulated modem
// behind a COM port, a number with nothing behind it, a display. The window
// test program drives the native window from outside on a thread of its
// own; the program test runs quillfen.exe itself, which writes the golden
// log on the simulated modem's COM5.
TEST_F(WineTest, WindowsTestProgramsPass) {
    struct Program {
        const char* name;
        unsigned modemCom;    // 0: none
        unsigned missingCom;  // 0: none
        bool display;
    };
    for (const Program& program : {Program{"win_session_log_test.exe", 0, 0, false},
                                   Program{"win_serial_device_test.exe", 7, 9, false},
                                   Program{"win_window_test.exe", 5, 0, true},
                                   Program{"win_program_test.exe", 5, 0, true}}) {
        SCOPED_TRACE(program.name);
        std::optional<ScopedEnv> modem, missing;
        if (program.modemCom) {
            Session->LinkFreshModem(program.modemCom, "fax");
            modem.emplace("QUILLFEN_TEST_MODEM_COM", std::to_string(program.modemCom));
        }
        if (program.missingCom) missing.emplace("QUILLFEN_TEST_MISSING_COM", std::to_string(program.missingCom));
        ProgramRun run;
        if (program.display) {
            const std::string problem = Session->PrepareDisplay();
            ASSERT_TRUE(problem.empty()) << problem;
            run = Session->RunWithDisplay(program.name, dir.Path());
        } else {
            run = Session->Run(program.name, {}, dir.Path());
        }
        EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
        EXPECT_EQ(run.out.find("SKIPPED"), std::string::npos) << run.out;
    }
}

}  // namespace
}  // namespace quillfen::test

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    quillfen::test::Session = new quillfen::test::WineSession;
    ::testing::AddGlobalTestEnvironment(quillfen::test::Session);
    return RUN_ALL_TESTS();
}
