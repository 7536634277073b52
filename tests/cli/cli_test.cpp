// quillfen-cli run as a user runs it: the real binary in a temporary
// directory, the simulator behind the port on a real pty, signals sent to
// the process, and its stdout, stderr, exit code and log file compared.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/fixtures.h"

extern char** environ;

namespace quillfen::test {
namespace {

struct CliRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
    std::string err;
};

// Fires its action once the stream has shown the needle `occurrence` times.
struct Trigger {
    bool onStderr;
    std::string needle;
    int occurrence;
    std::function<void(pid_t)> action;
};

std::size_t Count(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size())) {
        ++count;
    }
    return count;
}

// Far above any real run; only a hang reaches it.
constexpr auto RunLimit = std::chrono::minutes(5);

CliRun RunCli(const std::vector<std::string>& args, const std::string& dir, std::vector<Trigger> triggers = {},
              int stdinFd = -1) {
    CliRun run;
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0 || pipe2(errPipe, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
        return run;
    }
    std::vector<std::string> argv{QUILLFEN_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& arg : argv) cargv.push_back(arg.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (stdinFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, stdinFd, STDIN_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    }
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        ADD_FAILURE() << "cannot start quillfen-cli";
        return run;
    }

    auto deadline = std::chrono::steady_clock::now() + RunLimit;
    bool outOpen = true;
    bool errOpen = true;
    std::size_t nextTrigger = 0;
    while (outOpen || errOpen) {
        if (std::chrono::steady_clock::now() >= deadline) {
            ADD_FAILURE() << "quillfen-cli did not finish";
            kill(pid, SIGKILL);
            break;
        }
        pollfd watched[2] = {{outOpen ? outPipe[0] : -1, POLLIN, 0}, {errOpen ? errPipe[0] : -1, POLLIN, 0}};
        if (poll(watched, 2, 200) <= 0) continue;
        for (int stream = 0; stream < 2; ++stream) {
            if (watched[stream].revents == 0) continue;
            char chunk[4096];
            ssize_t got = read(watched[stream].fd, chunk, sizeof chunk);
            if (got <= 0) {
                (stream == 0 ? outOpen : errOpen) = false;
                continue;
            }
            (stream == 0 ? run.out : run.err).append(chunk, static_cast<std::size_t>(got));
        }
        while (nextTrigger < triggers.size()) {
            const Trigger& trigger = triggers[nextTrigger];
            if (Count(trigger.onStderr ? run.err : run.out, trigger.needle) < static_cast<std::size_t>(trigger.occurrence)) {
                break;
            }
            trigger.action(pid);
            ++nextTrigger;
        }
    }
    close(outPipe[0]);
    close(errPipe[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    EXPECT_EQ(nextTrigger, triggers.size()) << "not every trigger fired";
    return run;
}

bool HasLogFile(const TempDir& dir) {
    for (const auto& entry : std::filesystem::directory_iterator(dir.Path())) {
        if (entry.path().filename().string().rfind("Modem", 0) == 0) return true;
    }
    return false;
}

std::function<void(pid_t)> Send(int signalNumber) {
    return [signalNumber](pid_t pid) { kill(pid, signalNumber); };
}

TEST(CliTest, SendToTheSimulatorStreamsTheLogAsItIsWritten) {
    TempDir dir;
    CliRun run = RunCli({"--sim", "fax", "send", "ATI3"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;

    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(run.out, log);
    EXPECT_EQ(log.rfind("Log of Modem Commands and Responses\r\nQuillfen 09.05.01\r\n", 0), 0u);
    EXPECT_NE(log.find("Opened COM1 - "), std::string::npos);
    EXPECT_NE(log.find("OUT: ATI3\r\n"), std::string::npos);
    EXPECT_NE(log.find("IN : OK\r\n"), std::string::npos);
    std::size_t closed = log.find("Closed COM1 - ");
    std::size_t ended = log.find("End Session - ");
    EXPECT_NE(closed, std::string::npos);
    EXPECT_LT(closed, ended);
    EXPECT_EQ(log.compare(log.size() - 2, 2, "\r\n"), 0);

    // The start-up message names the file; the closing note says where it is.
    EXPECT_EQ(run.err.rfind("quillfen-cli: There will be a visual log", 0), 0u) << run.err;
    EXPECT_NE(run.err.find("Modem001.txt\ncreated."), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("the log is in " + dir.File("Modem001.txt")), std::string::npos) << run.err;
    // Every message carries the one prefix.
    EXPECT_EQ(Count(run.err, "quillfen-cli: "), 2u) << run.err;
    EXPECT_EQ(Count(run.err, "Quillfen: "), 0u) << run.err;

    // --port picks the COM number the simulator stands behind, and a second
    // run takes the next free log name.
    CliRun second = RunCli({"--port", "COM7", "--sim", "fax", "send", "AT"}, dir.Path());
    EXPECT_EQ(second.exitCode, 0) << second.err;
    std::string secondLog = ReadFile(dir.File("Modem002.txt"));
    EXPECT_EQ(second.out, secondLog);
    EXPECT_NE(secondLog.find("Opened COM7 - "), std::string::npos);
    EXPECT_NE(secondLog.find("Closed COM7 - "), std::string::npos);
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
        {"--bogus", "test"},
        {"--sim", "fax", "ports"},
        {"--sim", "fax", "--port", "COM5", "find"},
        {"send", ""},
    };
    for (const auto& args : badLines) {
        std::string shown;
        for (const auto& arg : args) shown += arg + " ";
        CliRun run = RunCli(args, dir.Path());
        EXPECT_EQ(run.exitCode, 2) << shown;
        EXPECT_TRUE(run.out.empty()) << shown;
        EXPECT_EQ(run.err.rfind("quillfen-cli: ", 0), 0u) << shown << run.err;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << shown;
    }
    EXPECT_FALSE(HasLogFile(dir));
    CliRun empty = RunCli({"send", ""}, dir.Path());
    EXPECT_NE(empty.err.find("an empty text sends nothing"), std::string::npos) << empty.err;

    // A profile the simulator does not know is a usage error too, and no
    // session starts.
    CliRun badProfile = RunCli({"--sim", "no-such-profile", "test"}, dir.Path());
    EXPECT_EQ(badProfile.exitCode, 2) << badProfile.err;
    EXPECT_NE(badProfile.err.find("quillfen-cli: the simulator refused profile \"no-such-profile\""), std::string::npos)
        << badProfile.err;
    EXPECT_FALSE(HasLogFile(dir));

    CliRun help = RunCli({"--help"}, dir.Path());
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"Usage: quillfen-cli", "send TEXT", "test-all", "ports", "--map COMn=DEVICE",
                             "--sim PROFILE", "0    done", "1    the port could not be opened", "2    usage",
                             "130  aborted"}) {
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    EXPECT_FALSE(HasLogFile(dir));
}

// Only what stands before the first line end is a command; a text with
// nothing there sends nothing, opens the port all the same, and exits 2.
TEST(CliTest, SendTakesTheTextUpToItsFirstLineEnd) {
    TempDir dir;
    CliRun run = RunCli({"--sim", "fax", "send", "ATI3\rATS0=1"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("OUT: ATI3\r\n"), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("ATS0"), std::string::npos) << run.out;

    CliRun nothing = RunCli({"--sim", "fax", "send", "\nATZ"}, dir.Path());
    EXPECT_EQ(nothing.exitCode, 2) << nothing.err;
    EXPECT_NE(nothing.err.find("quillfen-cli: Please Type in a Modem Command\n"), std::string::npos) << nothing.err;
    std::string log = ReadFile(dir.File("Modem002.txt"));
    EXPECT_NE(log.find("Opened COM1 - "), std::string::npos);
    EXPECT_EQ(log.find("\r\nOUT: "), std::string::npos) << log;
}

TEST(CliTest, APortThatCannotBeOpenedExitsOne) {
    TempDir dir;
    const std::string missing = dir.File("no-such-device");

    // Nobody at a terminal: the failure box is shown and answered Cancel.
    CliRun test = RunCli({"--map", "COM1=" + missing, "test"}, dir.Path());
    EXPECT_EQ(test.exitCode, 1) << test.err;
    EXPECT_NE(test.err.find("quillfen-cli: While trying to open your modem on COM1 an error occurred as follows:\n"),
              std::string::npos)
        << test.err;
    EXPECT_EQ(test.err.find("[R]etry"), std::string::npos);
    std::string log = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(test.out, log);
    EXPECT_EQ(log.find("Opened COM"), std::string::npos);
    EXPECT_EQ(log.find("Closed COM"), std::string::npos);
    EXPECT_NE(log.find("End Session - "), std::string::npos);

    CliRun send = RunCli({"--port", "COM3", "--map", "COM3=" + missing, "send", "ATI"}, dir.Path());
    EXPECT_EQ(send.exitCode, 1) << send.err;
    EXPECT_NE(send.err.find("on COM3 an error occurred"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.File("Modem002.txt")).find("OUT: ATI\r\n"), std::string::npos);

    // A scan reports failed opens in the log, not in boxes; none opened is 1.
    CliRun find = RunCli({"--map", "COM1=" + missing, "--map", "COM2=" + missing, "--map", "COM3=" + missing,
                          "--map", "COM4=" + missing, "find"},
                         dir.Path());
    EXPECT_EQ(find.exitCode, 1) << find.err;
    EXPECT_EQ(find.err.find("While trying to open"), std::string::npos);
    EXPECT_EQ(Count(find.out, "While trying to open your modem on COM"), 4u);
    EXPECT_EQ(find.out, ReadFile(dir.File("Modem003.txt")));
}

TEST(CliTest, OnATerminalTheFailedOpenAsksRetryOrCancel) {
    TempDir dir;
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    int slave = open(ptsname(master), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(slave, 0);

    auto answer = [master](const char* text) {
        return [master, text](pid_t) { ASSERT_GT(write(master, text, std::char_traits<char>::length(text)), 0); };
    };
    CliRun run = RunCli({"--map", "COM1=" + dir.File("no-such-device"), "test"}, dir.Path(),
                        {{true, "[R]etry or [C]ancel? ", 1, answer("what\n")},
                         {true, "[R]etry or [C]ancel? ", 2, answer("r\n")},
                         {true, "[R]etry or [C]ancel? ", 3, answer("C\n")}},
                        slave);
    close(slave);
    close(master);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    // The unclear answer is asked again; Retry fails once more and shows the
    // box again; Cancel ends it.
    EXPECT_EQ(Count(run.err, "While trying to open your modem on COM1"), 2u) << run.err;
    EXPECT_EQ(Count(run.err, "[R]etry or [C]ancel? "), 3u) << run.err;
    EXPECT_EQ(run.out, ReadFile(dir.File("Modem001.txt")));
}

TEST(CliTest, InterruptAbortsTheActionAndEndsTheLogCleanly) {
    struct Case {
        const char* name;
        std::vector<Trigger> triggers;
    };
    const std::vector<Case> cases = {
        {"one Ctrl-C", {{false, "OUT: ", 1, Send(SIGINT)}}},
        {"two Ctrl-C",
         {{false, "OUT: ", 1, Send(SIGINT)}, {true, "press Ctrl-C again", 1, Send(SIGINT)}}},
        {"SIGTERM", {{false, "OUT: ", 1, Send(SIGTERM)}}},
    };
    for (const Case& c : cases) {
        TempDir dir;
        CliRun run = RunCli({"--sim", "silent", "test"}, dir.Path(), c.triggers);
        EXPECT_EQ(run.exitCode, 130) << c.name << "\n" << run.err;
        std::string log = ReadFile(dir.File("Modem001.txt"));
        EXPECT_EQ(run.out, log) << c.name;

        // The abort is logged once, and after it come only the closed line
        // and the end line.
        EXPECT_EQ(Count(log, "Aborted by user.\r\n"), 1u) << c.name << "\n" << log;
        std::size_t aborted = log.find("Aborted by user.\r\n");
        ASSERT_NE(aborted, std::string::npos) << c.name;
        std::string tail = log.substr(aborted + std::string("Aborted by user.\r\n").size());
        EXPECT_EQ(tail.rfind("Closed COM1 - ", 0), 0u) << c.name << "\n" << tail;
        std::size_t lineEnd = tail.find("\r\n");
        ASSERT_NE(lineEnd, std::string::npos);
        EXPECT_EQ(tail.compare(lineEnd + 2, 14, "End Session - "), 0) << c.name << "\n" << tail;
        EXPECT_EQ(tail.find("\r\n", lineEnd + 2), tail.size() - 2) << c.name << "\n" << tail;
    }
}

TEST(CliTest, PortsListsWhatThisMachineHas) {
    TempDir dir;
    CliRun run = RunCli({"--map", "COM9=/dev/null", "ports"}, dir.Path());
    EXPECT_EQ(run.exitCode, 0) << run.err;
    // Either a table of devices or the sentence that there are none.
    EXPECT_TRUE(run.out.rfind("DEVICE ", 0) == 0 || run.out.rfind("No serial devices found", 0) == 0) << run.out;
    EXPECT_FALSE(HasLogFile(dir));

    // Where the machine has a first UART, it is COM1, and a mapping adds to it.
    auto lineOf = [](const std::string& text, const std::string& device) {
        std::size_t at = text.find("\n" + device + " ");
        if (at == std::string::npos) return std::string();
        return text.substr(at + 1, text.find('\n', at + 1) - at - 1);
    };
    if (!lineOf(run.out, "/dev/ttyS0").empty()) {
        EXPECT_NE(lineOf(run.out, "/dev/ttyS0").find(" COM1 "), std::string::npos) << run.out;
        CliRun mapped = RunCli({"--map", "COM9=/dev/ttyS0", "ports"}, dir.Path());
        EXPECT_NE(lineOf(mapped.out, "/dev/ttyS0").find(" COM1,COM9 "), std::string::npos) << mapped.out;
    }
}

}  // namespace
}  // namespace quillfen::test
