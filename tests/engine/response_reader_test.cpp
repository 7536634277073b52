// SPDX-License-Identifier: MIT
// The reader and the transaction against a pty whose other side the test
// plays byte by byte.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>
#include <string>

#include "engine/command_engine.h"
#include "serial/pty_pair.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

namespace quillfen {
namespace {

using test::PtyPair;
using test::ScriptedHost;

class ReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        names.Map(1, pty.Slave());
        port.SelectedPort = 0;
        ASSERT_EQ(port.OpenPort(Quiet::Yes), 1);
        mark = host.pane.size();
    }
    void TearDown() override { port.ClosePort(); }

    // Bytes already waiting at the port, then one read.
    ResultCode Read(const std::string& bytes, unsigned timeout = 1) {
        pty.Send(bytes);
        test::Eventually([&] {
            port.QueryStatus();
            return port.Status().cbInQue >= bytes.size();
        });
        return engine.ReadResponse(timeout);
    }
    std::string Logged() { return host.pane.substr(mark); }

    PtyPair pty;
    ScriptedHost host;
    PortNames names;
    SessionLog log{host};
    SerialPort port{host, log, names};
    CommandEngine engine{host, log, port};
    std::size_t mark = 0;
};

TEST_F(ReaderTest, EchoThenOkGivesTwoLinesAndLeavesTheLastLineFeed) {
    EXPECT_EQ(Read("AT\r\r\nOK\r\n"), result::Ok);
    EXPECT_EQ(Logged(), "IN : AT\r\nIN : OK\r\n");
    ReceiveBuffer& received = port.Receive();
    ASSERT_EQ(received.fillCount - received.readPosition, 1u);
    EXPECT_EQ(received.bytes[received.readPosition], '\n');
}

// One read of bytes already waiting: the word it ends with and the lines
// logged on the way.
TEST_F(ReaderTest, LinesEndWhereTheModemEndsThemAndOnlyPlainOnesAreClassified) {
    const std::string hundred = "OK" + std::string(98, 'x');
    const std::string piece = "OK" + std::string(99, 'y');
    struct Row {
        const char* what;
        std::string bytes;
        ResultCode result;
        std::string logged;
    };
    const Row rows[] = {
        {"information lines are passed over until the final word", "\r\nRING\r\n\r\n0\r\nCONNECT 9600/ARQ\r\n",
         result::Connect, "IN : RING\r\nIN : 0\r\nIN : CONNECT 9600/ARQ\r\n"},
        {"a stray control byte makes a raw line, never classified", "\x11OK\r\nOK\r\n", result::Ok,
         "IN : \x11OK\r\nIN : OK\r\n"},
        // The log cuts the raw line at its NUL.
        {"a NUL first", std::string("\0OK\r\nOK\r\n", 8), result::Ok, "IN : \r\nIN : OK\r\n"},
        // A fax frame is logged raw, cut at its first CR.
        {"a fax frame runs over CR LF until DLE ETX", std::string("\xFF\x03\x40\r\n\x20\x10\x03OK\r\n", 12),
         result::Ok, "IN : \xFF\x03\x40\r\nIN : OK\r\n"},
        {"DLE ETX as the first two bytes ends no line", std::string("\x10\x03X\r\nOK\r\n", 8), result::Ok,
         "IN : \x10\x03X\r\nIN : OK\r\n"},
        {"DLE ETX ends a plain line, which is classified", std::string("OK\x10\x03", 4), result::Ok,
         "IN : OK\x10\x03\r\n"},
        // ETX at index 2, the earliest it may stand.
        {"DLE ETX ends a raw line", std::string("\x11\x10\x03OK\r\n", 7), result::Ok,
         "IN : \x11\x10\x03\r\nIN : OK\r\n"},
        {"100 bytes and CR are one line", hundred + "\r", result::Ok, "IN : " + hundred + "\r\n"},
        // 101 bytes without an end: a piece, not classified; byte 102 starts anew.
        {"a longer line is logged in pieces of 101", piece + "ERROR\r\n", result::Error,
         "IN : " + piece + "\r\nIN : ERROR\r\n"},
        {"a line feed alone ends a line", "ATI4\nmodel 5\nOK\n", result::Ok,
         "IN : ATI4\r\nIN : model 5\r\nIN : OK\r\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        port.PurgeReceive();
        mark = host.pane.size();
        EXPECT_EQ(Read(row.bytes), row.result);
        EXPECT_EQ(Logged(), row.logged);
    }
}

TEST_F(ReaderTest, SilenceTimesOutAndAbortEndsTheWaitWithoutLogging) {
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(engine.ReadResponse(1), result::Error);
    EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(1000));
    EXPECT_EQ(Logged(), "");

    // A partial line is dropped by the abort.
    pty.Send("PARTIAL");
    long pumpsBefore = host.pumps;
    host.AtPump(pumpsBefore + 20, [&] { engine.AbortRequested = 1; });
    started = std::chrono::steady_clock::now();
    EXPECT_EQ(engine.ReadResponse(10), result::Error);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
    EXPECT_EQ(Logged(), "");
}

// Keeps the modem's side sending until the reader has returned. The flood
// has a limit of its own only so that a reader that never returns fails
// the test instead of hanging it.
class Flood {
public:
    Flood(const PtyPair& pty, std::function<std::string(unsigned)> chunk)
        : thread_([this, &pty, chunk] {
              auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
              for (unsigned round = 0; !stop_ && std::chrono::steady_clock::now() < limit; ++round) {
                  std::string bytes = chunk(round);
                  for (std::size_t done = 0; done < bytes.size() && !stop_;) {
                      ssize_t wrote = write(pty.Master(), bytes.data() + done, bytes.size() - done);
                      if (wrote > 0) done += static_cast<std::size_t>(wrote);
                      else usleep(200);
                  }
              }
              ranOut_ = !stop_;
          }) {}
    ~Flood() { Stop(); }
    // True when the flood was still going when stopped.
    bool Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        return !ranOut_;
    }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> ranOut_{false};
    std::thread thread_;
};

TEST_F(ReaderTest, AModemThatNeverStopsSendingCannotHoldTheCommand) {
    struct Case {
        const char* name;
        std::function<std::string(unsigned)> chunk;
    };
    const std::vector<Case> cases = {
        {"random bytes",
         [](unsigned round) {
             std::string bytes(4096, '\0');
             std::uint32_t state = 2463534242u + round;
             for (char& c : bytes) {
                 state ^= state << 13;
                 state ^= state >> 17;
                 state ^= state << 5;
                 c = static_cast<char>(state & 0xFF);
             }
             return bytes;
         }},
        {"RING without end", [](unsigned) { return std::string("RING\r\n"); }},
        {"one endless line", [](unsigned) { return std::string(4096, 'x'); }},
    };
    for (const Case& c : cases) {
        Flood flood(pty, c.chunk);
        ASSERT_TRUE(test::Eventually([&] {
            port.QueryStatus();
            return port.Status().cbInQue > 0;
        }));
        EXPECT_EQ(engine.ReadResponse(1), result::Error) << c.name;
        EXPECT_TRUE(flood.Stop()) << c.name << ": the reader returned only once the modem fell silent";
        port.PurgeReceive();
    }
}

TEST_F(ReaderTest, APortThatHungUpEndsTheWaitAtOnce) {
    pty.CloseMaster();
    long pumpsBefore = host.pumps;
    EXPECT_EQ(engine.ReadResponse(60), result::Error);
    // Without the hang-up the reader would pump some 6000 times in 60 s.
    EXPECT_LT(host.pumps - pumpsBefore, 10);
    EXPECT_TRUE(port.HungUp());
    EXPECT_EQ(Logged(), "");

    // Every later command of a script finds the same and ends as fast,
    // logged as a command that got no answer.
    mark = host.pane.size();
    pumpsBefore = host.pumps;
    EXPECT_EQ(engine.SendCommand("ATI3", 10), 1);
    EXPECT_EQ(engine.LastResult, result::Error);
    EXPECT_LT(host.pumps - pumpsBefore, 20);
    EXPECT_EQ(Logged(), "OUT: ATI3\r\n");
}

TEST_F(ReaderTest, TransactionSendsCommandWithCrAndLogsItOnce) {
    pty.Send("");
    // The modem answers after the command arrives.
    host.onEveryPump = [&] {
        std::string got = pty.Drain(0);
        if (got.empty()) return false;
        EXPECT_EQ(got, "AT+FRM=?\r\r");
        pty.Send("AT+FRM=?\r\r\n24,48\r\n\r\nOK\r\n");
        return true;
    };
    EXPECT_EQ(engine.SendCommand("AT+FRM=?\r", 1), 1);
    EXPECT_EQ(engine.LastResult, result::Ok);
    EXPECT_EQ(Logged(), "OUT: AT+FRM=?\r\nIN : AT+FRM=?\r\nIN : 24,48\r\nIN : OK\r\n");
}

TEST_F(ReaderTest, AbortAlreadySetStillWritesTheCommandAndKeepsLastResult) {
    engine.LastResult = result::Busy;
    engine.AbortRequested = 1;
    EXPECT_EQ(engine.SendCommand("ATZ", 5), 0);
    EXPECT_EQ(engine.LastResult, result::Busy);
    EXPECT_EQ(Logged(), "OUT: ATZ\r\nAborted by user.\r\n");
    EXPECT_EQ(pty.Drain(), "ATZ\r");

    // Abort while the reader waits: LastResult becomes 4, one abort line.
    engine.AbortRequested = 0;
    mark = host.pane.size();
    host.AtPump(host.pumps + 30, [&] { engine.AbortRequested = 1; });
    EXPECT_EQ(engine.SendCommand("AT", 10), 0);
    EXPECT_EQ(engine.LastResult, result::Error);
    EXPECT_EQ(Logged(), "OUT: AT\r\nAborted by user.\r\n");
}

TEST_F(ReaderTest, OverlongCommandIsCutToFitTheCommandBuffer) {
    std::string text(600, 'A');
    engine.AbortRequested = 1;  // no need to wait for an answer
    engine.SendCommand(text.c_str(), 1);
    std::string sent = pty.Drain();
    EXPECT_EQ(sent, std::string(510, 'A') + "\r");
}

TEST_F(ReaderTest, LinesThatKeepComingDoNotMoveTheDeadline) {
    // A modem that chatters a RING every 200 ms and never answers: the
    // reader must still give up once its one second is over.
    auto next = std::chrono::steady_clock::now();
    int sent = 0;
    host.onEveryPump = [&] {
        if (sent >= 25 || std::chrono::steady_clock::now() < next) return sent >= 25;
        pty.Send("RING\r\n");
        ++sent;
        next += std::chrono::milliseconds(200);
        return false;
    };
    EXPECT_EQ(engine.ReadResponse(1), result::Error);
    host.onEveryPump = nullptr;
    std::string logged = Logged();
    std::size_t rings = 0;
    for (std::size_t at = logged.find("IN : RING"); at != std::string::npos; at = logged.find("IN : RING", at + 1)) ++rings;
    EXPECT_GE(rings, 3u);
    EXPECT_LE(rings, 10u) << "the reader kept waiting after its deadline";
}

TEST_F(ReaderTest, TransactionDiscardsWhatArrivesDuringItsFirstPause) {
    // The modem's late answer to something earlier lands while the
    // transaction pauses before writing; it must not count for this command.
    host.AtPump(host.pumps + 1, [&] {
        pty.Send("OK\r\n");
        test::Eventually([&] {
            port.QueryStatus();
            return port.Status().cbInQue >= 4;
        });
    });
    EXPECT_EQ(engine.SendCommand("AT", 1), 1);
    EXPECT_EQ(engine.LastResult, result::Error);
    EXPECT_EQ(Logged(), "OUT: AT\r\n");
}

TEST(ClassifyLineTest, FirstByteExactRestIgnoresCase) {
    struct Case {
        const char* line;
        bool final;
        ResultCode code;
    };
    const Case cases[] = {
        {"OK", true, result::Ok},          {"Ok", true, result::Ok},
        {"ok", false, 0},                  {"OKAY", true, result::Ok},
        {"O", false, 0},                   {"CONNECT 14400", true, result::Connect},
        {"BUSY", true, result::Busy},      {"ERROR", true, result::Error},
        {"FCERR", true, result::Error},    {"FCERROR", true, result::Error},
        {"+FCERROR", false, 0},            {"NO CARRIER", true, result::NoCarrier},
        {"NO ANSWER", true, result::NoAnswer}, {"NO DIALTONE", true, result::NoDialtone},
        {"NO DIAL", false, 0},             {"+FCO", true, result::FaxConnect},
        {"+FCON", true, result::FaxConnect}, {"RING", false, 0},
        {"0", false, 0},                   {"CONNEC", false, 0},
    };
    for (const Case& c : cases) {
        std::uint8_t line[LineBufferSize] = {};
        std::memcpy(line, c.line, std::strlen(c.line));
        ResultCode code = 0xEE;
        EXPECT_EQ(ClassifyLine(line, code), c.final) << c.line;
        if (c.final) {
            EXPECT_EQ(code, c.code) << c.line;
        }
    }
}

}  // namespace
}  // namespace quillfen
