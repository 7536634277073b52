// SPDX-License-Identifier: MIT
// The simulated line's life: clients coming and going, the symlink, stop
// signals, the hang-up, pacing, noise, the transcript and the command line.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "modemsim/pty_client.h"
#include "support/fixtures.h"
#include "support/run_program.h"
#include "support/transcript.h"

namespace quillfen::test {
namespace {

using namespace std::chrono_literals;

// The exit code once the process has ended on its own, left for the
// fixture to reap; nothing if it is still running at the limit.
std::optional<int> ExitCodeWithin(pid_t pid, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        siginfo_t info{};
        if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid)
            return info.si_code == CLD_EXITED ? info.si_status : -1;
        std::this_thread::sleep_for(10ms);
    }
    return std::nullopt;
}

// The simulator run to its end with the arguments, outside any pty test.
ProgramRun RunToEnd(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), QUILLFEN_MODEMSIM_PATH);
    return RunProgram(std::move(arguments), ".");
}

TEST(LineLifeTest, LineSurvivesClientsClosingAndReopening) {
    ModemSim sim;
    for (int client = 0; client < 3; ++client) {
        PtyClient line(sim.Device());
        EXPECT_EQ(line.Exchange("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n") << client;
    }
    // Settings outlive a client, as in a real modem.
    {
        PtyClient line(sim.Device());
        EXPECT_EQ(line.Exchange("ATE0\r", "OK\r\n"), "ATE0\r\r\nOK\r\n");
    }
    PtyClient line(sim.Device());
    EXPECT_EQ(line.Exchange("AT\r", "OK\r\n"), "\r\nOK\r\n");
}

TEST(LineLifeTest, HangupAfterAnsweringClosesTheLineAndExits) {
    ModemSim sim({"--profile", "fax", "--hangup-after", "2"});
    PtyClient line(sim.Device());
    // Two commands on one line count once; the answer to the last one still arrives.
    EXPECT_EQ(line.Exchange("ATE0V1\r", "OK\r\n"), "ATE0V1\r\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("ATI3\r", "OK\r\n"), "\r\nQuillfen Simulated V.90 Fax Modem\r\n\r\nOK\r\n");

    std::string after = line.ReadFor(5s);
    EXPECT_EQ(after, "");
    EXPECT_TRUE(line.sawEnd);
    EXPECT_TRUE((line.lastEvents & POLLHUP) != 0 || line.lastReadErrno == EIO)
        << "events " << line.lastEvents << " errno " << line.lastReadErrno;
    EXPECT_EQ(ExitCodeWithin(sim.Pid(), 10s), std::optional<int>(0));
    // The device is gone with the simulator.
    line.Close();
    EXPECT_FALSE(std::filesystem::exists(sim.Device()));
}

TEST(LineLifeTest, LinkIsMadeReplacedAndRemovedAndSignalsEndCleanly) {
    TempDir dir;
    std::string link = dir.File("modem");
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        std::filesystem::create_symlink("/nonexistent/stale", link);
        ModemSim sim({"--link", link});
        EXPECT_EQ(std::filesystem::read_symlink(link), sim.Device());
        {
            PtyClient line(link);
            EXPECT_EQ(line.Exchange("ATI3\r", "OK\r\n"), "ATI3\r\r\nQuillfen Simulated V.90 Fax Modem\r\n\r\nOK\r\n");
        }
        kill(sim.Pid(), signal);
        EXPECT_EQ(ExitCodeWithin(sim.Pid(), 10s), std::optional<int>(0));
        EXPECT_FALSE(std::filesystem::is_symlink(link));
    }

    // Something that is not a link is never replaced.
    WriteFile(link, "precious");
    ProgramRun refused = RunToEnd({"--link", link});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("not a symlink"), std::string::npos) << refused.err;
    EXPECT_EQ(ReadFile(link), "precious");
}

TEST(LineLifeTest, TranscriptRecordsBothDirectionsByteForByte) {
    TempDir dir;
    std::string path = dir.File("line.txt");
    std::string sent;
    std::string received;
    {
        ModemSim sim({"--transcript", path});
        PtyClient line(sim.Device());
        for (std::string command : {std::string("ATI3\r"), std::string("AT\x01\\\xE9\r"), std::string("ATV0\r")}) {
            sent += command;
            line.Send(command);
            received += line.ReadUntilAny({"OK\r\n", "ERROR\r\n", "0\r"});
        }
        sim.Stop();
    }
    std::string transcript = ReadFile(path);
    EXPECT_EQ(TranscriptBytes(transcript, '<'), sent);
    EXPECT_EQ(TranscriptBytes(transcript, '>'), received);
    // Readable: escapes, never a raw control byte inside a record.
    EXPECT_NE(transcript.find("< AT\\x01\\\\\\xE9\\r\n"), std::string::npos) << transcript;
    EXPECT_NE(transcript.find("> ATI3\\r\\r\\nQuillfen Simulated V.90 Fax Modem\\r\\n\\r\\nOK\\r\\n\n"),
              std::string::npos)
        << transcript;
    for (char c : transcript) EXPECT_TRUE(c == '\n' || (c >= 0x20 && c < 0x7F));
    std::istringstream records(transcript);
    for (std::string record; std::getline(records, record);)
        EXPECT_TRUE(record.starts_with("< ") || record.starts_with("> ") || record.starts_with("# ")) << record;
}

TEST(LineLifeTest, NoiseSurroundsAnswersWithoutLosingOrFakingThem) {
    TempDir dir;
    std::string path = dir.File("noise.txt");
    std::string first;
    std::string stream;
    constexpr int kCommands = 100;
    {
        ModemSim sim({"--noise", "--seed", "11", "--transcript", path});
        PtyClient line(sim.Device());
        first = line.Exchange("ATE0\r", "OK\r\n");
        ASSERT_NE(first.find("OK\r\n"), std::string::npos);
        for (int i = 0; i < kCommands; ++i) stream += line.Exchange("AT\r", "OK\r\n");
        stream += line.ReadFor(100ms);
        sim.Stop();
    }
    // Every command answered once; noise never spells a final word.
    EXPECT_EQ(CountOf(stream, "OK\r\n"), static_cast<std::size_t>(kCommands));
    EXPECT_EQ(CountOf(stream, "ERROR"), 0u);
    // Each kind of noise showed up.
    EXPECT_GT(CountOf(stream, std::string("\r\n\0OK\r\n", 7)) + CountOf(stream, "\r\n\x11OK\r\n"), 0u) << "stray byte";
    EXPECT_GT(CountOf(stream, std::string("\xFF\x03")), 0u) << "frame";
    EXPECT_GT(CountOf(stream, "\x10\x03"), 0u) << "frame end";
    EXPECT_GT(CountOf(stream, "RING"), 0u) << "ring";
    bool longLine = false;
    bool highByte = false;
    std::size_t lineLength = 0;
    for (char c : stream) {
        lineLength = (c == '\r' || c == '\n') ? 0 : lineLength + 1;
        if (lineLength > 101) longLine = true;
        if (static_cast<unsigned char>(c) >= 0x80 && static_cast<unsigned char>(c) != 0xFF) highByte = true;
    }
    EXPECT_TRUE(longLine);
    EXPECT_TRUE(highByte);
    // Quiet-time noise may have followed after the last read.
    EXPECT_TRUE(TranscriptBytes(ReadFile(path), '>').starts_with(first + stream))
        << "the transcript holds every noise byte";
}

TEST(LineLifeTest, BaudPacesTheAnswer) {
    ModemSim plain;
    PtyClient fast(plain.Device());
    std::string expected = fast.Exchange("ATI4\r", "OK\r\n");

    ModemSim paced({"--baud", "1200"});
    PtyClient slow(paced.Device());
    auto started = std::chrono::steady_clock::now();
    std::string answer = slow.Exchange("ATI4\r", "OK\r\n");
    auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(answer, expected);
    // 120 bytes a second: the page cannot arrive in much less than its size allows.
    EXPECT_GE(took, std::chrono::milliseconds(expected.size() * 1000 / 120 / 2));
}

TEST(LineLifeTest, CommandLineIsCheckedAndExplained) {
    ProgramRun help = RunToEnd({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: quillfen-modemsim"), std::string::npos);
    EXPECT_NE(help.out.find("--hangup-after"), std::string::npos);

    const std::vector<std::vector<std::string>> badLines = {
        {"--bogus"}, {"--profile", "modem"}, {"--baud", "fast"}, {"--baud"}, {"--hangup-after", "0"},
        {"--seed", "-1"}, {"extra"},
    };
    for (const auto& bad : badLines) {
        ProgramRun refused = RunToEnd(bad);
        EXPECT_EQ(refused.exitCode, 2) << bad[0];
        EXPECT_EQ(refused.err.rfind("quillfen-modemsim: ", 0), 0u) << bad[0] << ": " << refused.err;
    }
}

}  // namespace
}  // namespace quillfen::test
