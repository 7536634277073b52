// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "log/session_log.h"
#include "serial/child_process.h"
#include "serial/pty_pair.h"
#include "serial/serial_port.h"
#include "support/fixtures.h"
#include "support/scoped_env.h"
#include "support/scripted_host.h"

namespace quillfen {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::ChildProcess;
using test::Eventually;
using test::PtyPair;
using test::ScriptedHost;
using test::TempDir;

const std::string Separator = "=*=*=*=*=*=*\r\n\r\n=*=*=*=*=*=*\r\n";
const std::regex OpenedLine("Opened COM1 - [A-Z][a-z]{2} [A-Z][a-z]{2} \\d{2} \\d{2}:\\d{2}:\\d{2} \\d{4}\r\n");
const std::regex ClosedLine("Closed COM1 - [A-Z][a-z]{2} [A-Z][a-z]{2} \\d{2} \\d{2}:\\d{2}:\\d{2} \\d{4}\r\n");

const std::string CannotFindLog =
    "The system cannot find the UART(COM-Port) specified:\r\n"
    "In other words, there is probably no UART or Modem on this COM-Port.\r\n";
const std::string CannotFindDialog =
    "The system cannot find the UART(COM-Port) specified:\n"
    "In other words, there is probably no UART or Modem on this COM-Port.\n\n"
    "You may have made a mistake when choosing your COM-Port/Modem.";
const std::string SharingViolationLog =
    "Sharing Violation:\r\nThe COM-Port/Modem is being reserved by another Application such your mouse or "
    "RAS running as a Service. If this is the case, close it and try again. You may need to go to Services "
    "in the Control Panel and disable (Stop) RAS and/or any other Services that may be reserving the "
    "COM-Port/Modem.";

// The failure text with the log's line ends, or the box's (which has none at its end).
std::string Failure(unsigned com, int code, const std::string& text, const std::string& lineEnd = "\r\n") {
    return "While trying to open your modem on COM" + std::to_string(com) + " an error occurred as follows:" +
           lineEnd + "Windows Open Modem function returned:" + lineEnd + "Error Code " + std::to_string(code) +
           ":" + lineEnd + text + lineEnd + lineEnd +
           "If this is a valid COM-Port: Is another device, such as, your Internet connection or UPS "
           "(Uninterrupted Power Supply) using it?" + (lineEnd == "\n" ? "" : lineEnd);
}

std::string DialogFailure(unsigned com, int code, const std::string& text) { return Failure(com, code, text, "\n"); }

// Counts the opens of files in a directory, to see each attempt of the port.
class OpenCounter {
public:
    explicit OpenCounter(const std::string& dir) {
        fd_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        // Closes are watched too: the queue merges an event into an identical
        // one before it, and open, close, open never repeats.
        if (fd_ >= 0) inotify_add_watch(fd_, dir.c_str(), IN_OPEN | IN_CLOSE);
    }
    ~OpenCounter() {
        if (fd_ >= 0) close(fd_);
    }
    int Count() {
        alignas(inotify_event) char events[4096];
        ssize_t got;
        while ((got = read(fd_, events, sizeof events)) > 0) {
            for (ssize_t at = 0; at < got;) {
                auto* event = reinterpret_cast<inotify_event*>(events + at);
                if (event->mask & IN_OPEN) ++count_;
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return count_;
    }
    bool Ok() const { return fd_ >= 0; }

private:
    int fd_ = -1;
    int count_ = 0;
};

class SerialPortTest : public ::testing::Test {
protected:
    // Puts the pty on COM1.
    void MapPty() {
        ASSERT_TRUE(pty.Ok());
        ASSERT_TRUE(names.Map(1, pty.Slave()));
    }
    // Puts the pty on COM1 and opens it quietly.
    void OpenPty() {
        ASSERT_NO_FATAL_FAILURE(MapPty());
        ASSERT_EQ(port.OpenPort(Quiet::Yes), 1);
    }

    PtyPair pty;
    TempDir dir;
    ScriptedHost host;
    SessionLog log{host};
    PortNames names;
    SerialPort port{host, log, names};
};

TEST_F(SerialPortTest, OpenAndCloseAreLoggedOnceEach) {
    ASSERT_NO_FATAL_FAILURE(MapPty());
    port.Receive().fillCount = 7;
    port.Receive().readPosition = 3;

    EXPECT_EQ(port.OpenPort(Quiet::Yes), 1);
    EXPECT_TRUE(port.IsOpen());
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_GE(host.pumps, 1) << "the break is held in a paced wait";
    EXPECT_EQ(port.Receive().fillCount, 0u);
    EXPECT_EQ(port.Receive().readPosition, 0u);
    ASSERT_EQ(host.pane.compare(0, Separator.size(), Separator), 0);
    EXPECT_TRUE(std::regex_match(host.pane.substr(Separator.size()), OpenedLine)) << host.pane;

    std::string beforeClose = host.pane;
    port.ClosePort();
    EXPECT_FALSE(port.IsOpen());
    port.ClosePort();
    std::string closing = host.pane.substr(beforeClose.size());
    EXPECT_TRUE(std::regex_match(closing, ClosedLine)) << closing;
    EXPECT_EQ(log.LogLength(), host.pane.size());
}

TEST_F(SerialPortTest, ReopeningClosesTheOldPortWithoutAClosedLine) {
    ASSERT_NO_FATAL_FAILURE(OpenPty());
    ASSERT_EQ(port.OpenPort(Quiet::Yes), 1) << "the port's own earlier open must not block it";
    EXPECT_EQ(host.pane.find("Closed"), std::string::npos);
    EXPECT_NE(host.pane.find("Opened", host.pane.rfind(Separator)), std::string::npos);

    // A failed reopen leaves no port open at all.
    ASSERT_TRUE(names.Map(1, dir.File("gone")));
    EXPECT_EQ(port.OpenPort(Quiet::Yes), 0);
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(SerialPortTest, MissingDeviceIsTriedOnTheScheduleThenLogged) {
    ASSERT_TRUE(names.Map(2, dir.File("ttyNone")));
    port.SelectedPort = 1;

    auto start = Clock::now();
    EXPECT_EQ(port.OpenPort(Quiet::Yes), 0);
    auto elapsed = Clock::now() - start;

    // Waits of 128, 256, 384 and 512 ms between the five tries.
    EXPECT_GE(elapsed, milliseconds(1280));
    EXPECT_LT(elapsed, milliseconds(20000));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(host.pane, Separator + Failure(2, ENOENT, CannotFindLog));
}

TEST_F(SerialPortTest, FiveTriesThenTheBoxAndEachRetryIsOneMoreTry) {
    OpenCounter opens(dir.Path());
    ASSERT_TRUE(opens.Ok());
    // A plain file opens but is no terminal: every try reaches the device.
    test::WriteFile(dir.File("notatty"), "");
    const int before = opens.Count();
    ASSERT_TRUE(names.Map(1, dir.File("notatty")));
    host.answers = {BoxAnswer::Retry, BoxAnswer::Cancel};

    EXPECT_EQ(port.OpenPort(Quiet::No), 0);
    EXPECT_EQ(opens.Count() - before, 6) << "five tries, then one for the Retry";
    ASSERT_EQ(host.boxes.size(), 2u);
    for (const auto& box : host.boxes) {
        EXPECT_EQ(box.text, DialogFailure(1, ENOTTY, "Unspecified Modem Error."));
        EXPECT_EQ(box.icon, BoxIcon::Question);
        EXPECT_EQ(box.buttons, BoxButtons::RetryCancel);
    }
    EXPECT_EQ(host.pane, Separator) << "one separator per call, no failure text in the log";
}

// A malformed network name from the environment is the port's, not a
// reason to open another device: the open fails as a missing port, and
// the user learns which text it was.
TEST_F(SerialPortTest, ANameThatNamesNoPortFailsAsMissingAndIsNamed) {
    test::ScopedEnv variable("QUILLFEN_COM1", "rfc2217://fax-ts1");
    EXPECT_EQ(port.OpenPort(Quiet::No), 0);
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, DialogFailure(1, ENOENT, CannotFindDialog));
    ASSERT_EQ(host.notes.size(), 1u);
    EXPECT_EQ(host.notes[0], "\"rfc2217://fax-ts1\" names no port: it names no port (HOST:PORT); a network port is "
                             "rfc2217://HOST:PORT or tcp://HOST:PORT");
}

TEST_F(SerialPortTest, RetryAfterTheDeviceAppearsOpensIt) {
    ASSERT_TRUE(pty.Ok());
    std::string link = dir.File("ttyLate");
    ASSERT_TRUE(names.Map(1, link));
    // The modem is plugged in while the first back-off wait runs.
    host.AtPump(1, [&] { ASSERT_EQ(symlink(pty.Slave().c_str(), link.c_str()), 0); });
    EXPECT_EQ(port.OpenPort(Quiet::No), 1);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(port.IsOpen());
}

TEST_F(SerialPortTest, PortHeldElsewhereIsReportedAsSharingViolation) {
    ASSERT_NO_FATAL_FAILURE(MapPty());
    ChildProcess holder(pty.Slave());
    ASSERT_TRUE(holder.Ready());

    EXPECT_EQ(port.OpenPort(Quiet::Yes), 0);
    // This text alone ends without its own line end.
    EXPECT_EQ(host.pane, Separator + Failure(1, EBUSY, SharingViolationLog));
}

TEST_F(SerialPortTest, WritesAlternateBuffersAndReachTheModem) {
    ASSERT_NO_FATAL_FAILURE(OpenPty());
    pty.Drain(50);

    const char* commands[] = {"ATI3\r", "AT+FCLASS=?\r", "ATZ\r"};
    std::uint32_t expectedToggle = 0;
    for (const char* command : commands) {
        std::uint8_t bytes[32];
        std::uint32_t length = static_cast<std::uint32_t>(std::strlen(command));
        std::memcpy(bytes, command, length);
        EXPECT_EQ(port.WritePort(bytes, length), 1);
        std::memset(bytes, 'x', sizeof bytes);  // the port copied them first
        EXPECT_EQ(port.WriteToggle(), ++expectedToggle);
        EXPECT_EQ(pty.Drain(), command);
    }

    // A block longer than a write buffer is cut to fit.
    std::vector<std::uint8_t> tooLong(WriteBufferSize + 500, 'A');
    EXPECT_EQ(port.WritePort(tooLong.data(), static_cast<std::uint32_t>(tooLong.size())), 1);
    std::string received;
    ASSERT_TRUE(Eventually([&] {
        received += pty.Drain(20);
        port.QueryStatus();
        return port.Status().cbOutQue == 0 && received.size() >= WriteBufferSize;
    }));
    received += pty.Drain(50);
    EXPECT_EQ(received.size(), WriteBufferSize);

    port.ClosePort();
    EXPECT_EQ(port.WritePort(tooLong.data(), 4), 0) << "no port, nothing started";
    EXPECT_EQ(port.WriteToggle(), 5u);
}

std::string FillPort(SerialPort& port) {
    return test::FillUntilHeld(
        WriteBufferSize,
        [&](const std::uint8_t* block, std::size_t size) {
            EXPECT_EQ(port.WritePort(block, static_cast<std::uint32_t>(size)), 1);
        },
        [&] {
            port.QueryStatus();
            return port.Status().cbOutQue;
        });
}

TEST_F(SerialPortTest, AWriteWaitsForTheQueueToDrainAndGivesUpAfterTheLimit) {
    ASSERT_NO_FATAL_FAILURE(OpenPty());

    std::string written = FillPort(port);
    ASSERT_GT(port.Status().cbOutQue, 0u);

    // Nobody reads: the queue never empties and the write is not started.
    const std::uint8_t lost[] = {0xFE, 0xFE};
    auto start = Clock::now();
    EXPECT_EQ(port.WritePort(lost, sizeof lost), 0);
    auto waited = Clock::now() - start;
    EXPECT_GE(waited, milliseconds(DrainLimit));
    EXPECT_LT(waited, milliseconds(DrainLimit + 10000));

    // The modem starts reading a little later: the next write waits for the
    // queue, then goes out after everything before it.
    std::string received;
    std::thread reader([&] {
        std::this_thread::sleep_for(milliseconds(300));
        auto until = Clock::now() + std::chrono::seconds(20);
        while (Clock::now() < until && received.size() < written.size() + 3) received += pty.Drain(50);
    });
    const std::uint8_t last[] = {0xFF, 0xFF, 0xFF};
    EXPECT_EQ(port.WritePort(last, sizeof last), 1);
    reader.join();
    EXPECT_EQ(received.size(), written.size() + 3);
    EXPECT_TRUE(received == written + "\xFF\xFF\xFF") << "bytes lost, reordered or the refused write went out";
}

TEST_F(SerialPortTest, PurgesEmptyTheQueuesAndTheReceiveBuffer) {
    ASSERT_NO_FATAL_FAILURE(OpenPty());

    pty.Send("OK\r\nnoise");
    ASSERT_TRUE(Eventually([&] {
        port.QueryStatus();
        return port.Status().cbInQue == 9;
    }));
    std::uint8_t buffer[8] = {};
    EXPECT_EQ(port.ReadPort(buffer, 4), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 4), "OK\r\n");

    port.Receive().fillCount = 4;
    port.Receive().readPosition = 2;
    port.PurgeReceive();
    EXPECT_EQ(port.Receive().fillCount, 0u);
    EXPECT_EQ(port.Receive().readPosition, 0u);
    port.QueryStatus();
    EXPECT_EQ(port.Status().cbInQue, 0u);
    auto start = Clock::now();
    EXPECT_EQ(port.ReadPort(buffer, sizeof buffer), 0u);
    EXPECT_GE(Clock::now() - start, milliseconds(ReadWaitLimit - 50));

    FillPort(port);
    ASSERT_GT(port.Status().cbOutQue, 0u);
    std::uint32_t toggle = port.WriteToggle();
    port.PurgeTransmit();
    port.QueryStatus();
    EXPECT_EQ(port.Status().cbOutQue, 0u);
    EXPECT_EQ(port.WriteToggle(), toggle);
}

TEST(PacedWait, SlicesAndPumpsAtLeastOnce) {
    ScriptedHost host;
    PacedWait(host, 0);
    EXPECT_EQ(host.pumps, 1);

    struct Case {
        std::uint32_t ms;
        long mostPumps;  // ms / slice, rounded up: each slice sleeps at least its length
    };
    for (Case c : {Case{5, 5}, Case{20, 10}, Case{128, 11}}) {
        host.pumps = 0;
        auto start = Clock::now();
        PacedWait(host, c.ms);
        EXPECT_GE(Clock::now() - start, milliseconds(c.ms));
        EXPECT_GE(host.pumps, 1) << c.ms;
        EXPECT_LE(host.pumps, c.mostPumps) << c.ms;
    }

}

}  // namespace
}  // namespace quillfen
