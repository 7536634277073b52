// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "serial/child_process.h"
#include "serial/pty_pair.h"
#include "serial/local_device.h"
#include "support/fixtures.h"

namespace quillfen {
namespace {

using test::ChildProcess;
using test::Eventually;
using test::PtyPair;
using test::TempDir;

// A UUCP lock file in the system lock directory, removed at the end.
class LockFile {
public:
    explicit LockFile(const std::string& deviceName) : path_("/var/lock/LCK.." + deviceName) {}
    ~LockFile() { unlink(path_.c_str()); }
    void WriteAscii(pid_t pid) {
        char text[16];
        std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(pid));
        test::WriteFile(path_, text);
    }
    void WriteBinary(pid_t pid) {
        std::int32_t value = pid;
        test::WriteFile(path_, std::string(reinterpret_cast<const char*>(&value), sizeof value));
    }

private:
    std::string path_;
};

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The pty's port side opened with the program's line settings.
class ConfiguredDevice : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pty.Ok());
        OpenError error;
        ASSERT_TRUE(device.Open(pty.Slave(), error));
        ASSERT_EQ(device.Configure(2400), 0);
    }

    PtyPair pty;
    LocalDevice device;
};

TEST(SerialDevice, ChosenSpeedIsSetAndAnUnknownOneRefused) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    LocalDevice device;
    OpenError error;
    ASSERT_TRUE(device.Open(pty.Slave(), error));
    EXPECT_EQ(device.Configure(115200), 0);
    termios line{};
    ASSERT_EQ(tcgetattr(pty.Keeper(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200));
    EXPECT_EQ(device.Configure(12345), EINVAL);
    ASSERT_EQ(tcgetattr(pty.Keeper(), &line), 0);
    EXPECT_EQ(cfgetospeed(&line), static_cast<speed_t>(B115200)) << "a refused speed leaves the line alone";
    EXPECT_TRUE(IsLineSpeed(2400));
    EXPECT_FALSE(IsLineSpeed(2401));
}

TEST(SerialDevice, RawLineWhileOpenAndTheOldSettingsAfterClose) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    termios before{};
    ASSERT_EQ(tcgetattr(pty.Keeper(), &before), 0);
    ASSERT_NE(before.c_lflag & ICANON, 0u) << "a fresh pty starts cooked";

    LocalDevice device;
    OpenError error;
    ASSERT_TRUE(device.Open(pty.Slave(), error));
    EXPECT_TRUE(device.IsOpen());
    EXPECT_GE(device.HandleValue(), 0);
    EXPECT_EQ(device.Configure(2400), 0);

    termios during{};
    ASSERT_EQ(tcgetattr(pty.Keeper(), &during), 0);
    EXPECT_EQ(cfgetospeed(&during), static_cast<speed_t>(B2400));
    EXPECT_EQ(cfgetispeed(&during), static_cast<speed_t>(B2400));
    EXPECT_EQ(during.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(during.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(during.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(during.c_iflag & (IXON | IXOFF | ICRNL), 0u);
    EXPECT_EQ(during.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(during.c_oflag & OPOST, 0u);
    int exclusive = 0;
    ASSERT_EQ(ioctl(pty.Keeper(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);

    device.Close();
    EXPECT_FALSE(device.IsOpen());
    termios after{};
    ASSERT_EQ(tcgetattr(pty.Keeper(), &after), 0);
    EXPECT_EQ(after.c_iflag, before.c_iflag);
    EXPECT_EQ(after.c_oflag, before.c_oflag);
    EXPECT_EQ(after.c_cflag, before.c_cflag);
    EXPECT_EQ(after.c_lflag, before.c_lflag);
    EXPECT_EQ(std::memcmp(after.c_cc, before.c_cc, sizeof after.c_cc), 0);
    EXPECT_EQ(cfgetospeed(&after), cfgetospeed(&before));
    // The terminal stays open through the keeper, so the exclusive flag
    // would outlive the port unless the close clears it.
    ASSERT_EQ(ioctl(pty.Keeper(), TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 0);

    EXPECT_TRUE(device.Open(pty.Slave(), error));
    device.Close();
    device.Close();  // a second close is harmless
}

TEST(SerialDevice, OpenFailuresFallIntoTheirRows) {
    TempDir dir;
    LocalDevice device;
    OpenError error;

    EXPECT_FALSE(device.Open(dir.File("no-such-tty"), error));
    EXPECT_EQ(error.row, OpenErrorRow::CannotFind);
    EXPECT_EQ(error.code, ENOENT);

    EXPECT_FALSE(device.Open("", error));
    EXPECT_EQ(error.row, OpenErrorRow::CannotFind);

    // A plain file is no terminal and cannot carry a modem.
    test::WriteFile(dir.File("plain"), "x");
    EXPECT_FALSE(device.Open(dir.File("plain"), error));
    EXPECT_EQ(error.row, OpenErrorRow::Unspecified);
    EXPECT_EQ(error.code, ENOTTY);
    EXPECT_FALSE(device.IsOpen());
}

TEST(SerialDevice, PortHeldByAnotherProcessIsASharingViolation) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    LocalDevice device;
    OpenError error;
    {
        ChildProcess holder(pty.Slave());
        ASSERT_TRUE(holder.Ready());
        EXPECT_FALSE(device.Open(pty.Slave(), error));
        EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
        EXPECT_EQ(error.code, EBUSY);
        EXPECT_FALSE(device.IsOpen());
    }
    EXPECT_TRUE(device.Open(pty.Slave(), error)) << "free again once the holder has gone";
}

TEST(SerialDevice, UucpLockOfALiveProcessKeepsThePortAndAStaleOneDoesNot) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    TempDir dir;
    // The lock may be named after the name the user gave or the device behind it.
    std::string linkName = "quillfen-lock-test-" + std::to_string(getpid());
    std::string link = dir.File(linkName);
    ASSERT_EQ(symlink(pty.Slave().c_str(), link.c_str()), 0);

    LocalDevice device;
    OpenError error;
    ChildProcess owner;
    ASSERT_TRUE(owner.Ready());
    {
        LockFile lock(linkName);
        lock.WriteAscii(owner.Pid());
        EXPECT_FALSE(device.Open(link, error));
        EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
        EXPECT_EQ(error.code, EBUSY);
    }
    {
        LockFile lock(BaseName(pty.Slave()));
        lock.WriteBinary(owner.Pid());
        EXPECT_FALSE(device.Open(link, error));
        EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
    }
    {
        ChildProcess gone;
        ASSERT_TRUE(gone.Ready());
        gone.Finish();
        LockFile lock(linkName);
        lock.WriteAscii(gone.Pid());
        EXPECT_TRUE(device.Open(link, error)) << "a lock left by a dead process is stale";
        device.Close();
    }
}

TEST_F(ConfiguredDevice, BytesTheKernelCannotTakeYetAreFinishedLaterInOrder) {
    std::string written = test::FillUntilHeld(
        DeviceWriteLimit,
        [&](const std::uint8_t* block, std::size_t size) { EXPECT_EQ(device.StartWrite(block, size), size); },
        [&] { return device.QueryStatus().outQueue; });
    std::uint32_t held = device.QueryStatus().outQueue;
    ASSERT_GT(held, 0u) << "the pty never filled";
    ASSERT_LE(held, DeviceWriteLimit);

    // A further block queues behind the held bytes as far as there is room.
    std::uint8_t more[DeviceWriteLimit];
    for (std::size_t i = 0; i < sizeof more; ++i) more[i] = static_cast<std::uint8_t>((written.size() + i) % 251);
    std::size_t taken = device.StartWrite(more, sizeof more);
    EXPECT_EQ(taken, std::min<std::size_t>(sizeof more, DeviceWriteLimit - held));
    written.append(reinterpret_cast<const char*>(more), taken);

    std::string received;
    ASSERT_TRUE(Eventually([&] {
        received += pty.Drain(20);
        return device.QueryStatus().outQueue == 0 && received.size() >= written.size();
    }, 20000));
    received += pty.Drain(50);
    EXPECT_EQ(received.size(), written.size());
    EXPECT_TRUE(received == written) << "bytes lost or out of order";
}

TEST_F(ConfiguredDevice, XoffHoldsOutputUntilXon) {
    device.Control(LineControl::ClearDtr);
    device.Control(LineControl::ClearRts);
    device.Control(LineControl::SetXoff);
    device.Control(LineControl::SetBreak);
    const std::uint8_t command[] = {'A', 'T', '\r'};
    EXPECT_EQ(device.StartWrite(command, sizeof command), sizeof command);
    EXPECT_EQ(device.QueryStatus().outQueue, 3u);
    EXPECT_EQ(pty.Drain(50), "");

    device.Control(LineControl::ClearBreak);
    device.Control(LineControl::SetXon);
    device.Control(LineControl::SetRts);
    device.Control(LineControl::SetDtr);
    EXPECT_EQ(device.QueryStatus().outQueue, 0u);
    EXPECT_EQ(pty.Drain(), "AT\r");
}

TEST_F(ConfiguredDevice, ReadsWhatArrivedAndInputPurgeDiscardsIt) {
    pty.Send("hello");
    ASSERT_TRUE(Eventually([&] { return device.QueryStatus().inQueue == 5; }));
    std::uint8_t buffer[16] = {};
    EXPECT_EQ(device.Read(buffer, 3, 1000), 3u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(buffer), 3), "hel");
    EXPECT_EQ(buffer[3], 0) << "read past n";
    EXPECT_EQ(device.QueryStatus().inQueue, 2u);

    device.PurgeInput();
    EXPECT_EQ(device.QueryStatus().inQueue, 0u);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(device.Read(buffer, sizeof buffer, 100), 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));

    device.Close();
    EXPECT_EQ(device.Read(buffer, sizeof buffer, 1000), 0u);
    EXPECT_EQ(device.QueryStatus().inQueue, 0u);
}

}  // namespace
}  // namespace quillfen
