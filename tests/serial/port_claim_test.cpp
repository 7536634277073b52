// SPDX-License-Identifier: MIT
// Ports that are not ours are left alone: a console and a held port are
// refused before they are opened (no byte reaches them, their settings stay),
// the far side of a pty does not count as a holder, and the UUCP lock we
// leave while we hold a port is there exactly as long as we hold it.
#include <fcntl.h>
#include <grp.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "log/session_log.h"
#include "serial/child_process.h"
#include "serial/fake_machine.h"
#include "serial/pty_pair.h"
#include "serial/local_device.h"
#include "serial/serial_port.h"
#include "support/scripted_host.h"

namespace quillfen::test {
namespace {

// Another process that holds only the port side of a pty, as a getty or a
// terminal program would, under a command name of our choosing.
class SlaveHolder : public ChildProcess {
public:
    SlaveHolder(const PtyPair& pty, const char* name)
        : ChildProcess(std::function<bool()>([&pty, name] {
              close(pty.Master());
              prctl(PR_SET_NAME, name);
              return open(pty.Slave().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK) >= 0;
          })) {}
};

struct Snapshot {
    termios settings{};
    int exclusive = -1;
};

Snapshot Take(const PtyPair& pty) {
    Snapshot snapshot;
    tcgetattr(pty.Keeper(), &snapshot.settings);
    ioctl(pty.Keeper(), TIOCGEXCL, &snapshot.exclusive);
    return snapshot;
}

// The refused port was never touched: same settings, same exclusive flag,
// and nothing arrived on the modem's side.
void ExpectUntouched(const PtyPair& pty, const Snapshot& before) {
    Snapshot after = Take(pty);
    EXPECT_EQ(std::memcmp(&after.settings, &before.settings, sizeof after.settings), 0) << "settings changed";
    EXPECT_EQ(after.exclusive, before.exclusive);
    EXPECT_EQ(pty.Drain(50), "") << "bytes reached a port that is not ours";
}

long PtyIndex(const std::string& slave) { return std::stol(slave.substr(slave.rfind('/') + 1)); }

std::string LockFor(const DeviceRoots& roots, const std::string& slave) {
    return roots.lock + "/LCK..pts_" + slave.substr(slave.rfind('/') + 1);
}

TEST(PortClaimTest, AConsoleIsRefusedWithoutBeingOpened) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FakeMachine machine;
    machine.Consoles("tty0                 -WU (E  p  )    4:1\nttyS0                -W- (EC p a)    " +
                     DeviceNumbers(pty.Slave()) + "\n");
    std::string ttyS0 = machine.Uart(0, 4, pty.Slave());
    Snapshot before = Take(pty);

    LocalDevice device;
    OpenError error;
    EXPECT_FALSE(device.Open(ttyS0, error, machine.roots));
    EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
    EXPECT_EQ(error.code, EBUSY);
    EXPECT_EQ(error.occupier, Occupier::Console);
    EXPECT_FALSE(device.IsOpen());
    EXPECT_FALSE(std::filesystem::exists(LockFor(machine.roots, pty.Slave()))) << "no lock for a refused port";
    ExpectUntouched(pty, before);

    // The same pty is an ordinary port where it is not a console.
    FakeMachine plain;
    EXPECT_TRUE(device.Open(pty.Slave(), error, plain.roots));
}

TEST(PortClaimTest, APortAnotherProcessHoldsIsRefusedAndItsHolderNamed) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    LocalDevice device;
    OpenError error;
    // The machine's own /proc, but a lock directory of the test's.
    FakeMachine locks;
    DeviceRoots roots;
    roots.lock = locks.roots.lock;
    {
        SlaveHolder getty(pty, "fakegetty");
        ASSERT_TRUE(getty.Ready());
        Snapshot before = Take(pty);
        EXPECT_FALSE(device.Open(pty.Slave(), error, roots));
        EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
        EXPECT_EQ(error.occupier, Occupier::Process);
        EXPECT_EQ(error.holderPid, getty.Pid());
        EXPECT_STREQ(error.holderName, "fakegetty");
        ExpectUntouched(pty, before);
    }
    // A process holding the master too is the modem's side, like the
    // simulator (this child inherits both ends).
    ChildProcess modem;
    ASSERT_TRUE(modem.Ready());
    EXPECT_TRUE(device.Open(pty.Slave(), error, roots));
}

TEST(PortClaimTest, TheMastersTtyIndexTellsTheModemFromAnotherHolder) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FakeMachine machine;
    std::string modem = machine.UsbTty("ttyACM0", "1-1", "", "", "", pty.Slave());
    auto info = [](long index) { return "pos:\t0\nflags:\t02\nmnt_id:\t24\nino:\t90\ntty-index:\t" + std::to_string(index) + "\n"; };
    machine.Process(500, "softmodem", {pty.Slave(), "/dev/ptmx"}, {"pos:\t0\n", info(PtyIndex(pty.Slave()))});
    LocalDevice device;
    OpenError error;
    ASSERT_TRUE(device.Open(modem, error, machine.roots)) << "the pty's own master makes it the modem";
    device.Close();

    // A master of some other pty does not.
    machine.Process(412, "agetty", {"/dev/ptmx", pty.Slave()}, {info(PtyIndex(pty.Slave()) + 1)});
    Snapshot before = Take(pty);
    EXPECT_FALSE(device.Open(modem, error, machine.roots));
    EXPECT_EQ(error.holderPid, 412);
    EXPECT_STREQ(error.holderName, "agetty");
    ExpectUntouched(pty, before);

    // What the log and the user see.
    ScriptedHost host;
    SessionLog log(host);
    PortNames names(machine.roots);
    names.Map(2, modem);
    SerialPort port(host, log, names);
    port.SelectedPort = 1;
    EXPECT_EQ(port.OpenPort(Quiet::Yes), 0);
    EXPECT_NE(host.pane.find("Error Code 16:\r\nSharing Violation:\r\n"), std::string::npos) << host.pane;
    ASSERT_FALSE(host.notes.empty());
    EXPECT_EQ(host.notes.back(), modem + " is in use by agetty (pid 412)");
    ExpectUntouched(pty, before);
}

TEST(PortClaimTest, OurLockFileLivesAsLongAsThePortAndStaleOnesGo) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FakeMachine machine;
    const std::string lock = LockFor(machine.roots, pty.Slave());
    char ours[16];
    std::snprintf(ours, sizeof ours, "%10d\n", static_cast<int>(getpid()));

    LocalDevice device;
    OpenError error;
    ASSERT_TRUE(device.Open(pty.Slave(), error, machine.roots));
    EXPECT_EQ(ReadFile(lock), ours);
    device.Close();
    EXPECT_FALSE(std::filesystem::exists(lock));

    // A lock whose process has gone is removed, not obeyed, and ours takes its place.
    ChildProcess gone;
    ASSERT_TRUE(gone.Ready());
    gone.Finish();
    WriteFile(lock, std::to_string(gone.Pid()) + "\n");
    ASSERT_TRUE(device.Open(pty.Slave(), error, machine.roots));
    EXPECT_EQ(ReadFile(lock), ours);
    device.Close();
    EXPECT_FALSE(std::filesystem::exists(lock));

    // A live owner keeps the port, and its lock stays.
    ChildProcess owner;
    ASSERT_TRUE(owner.Ready());
    WriteFile(lock, std::to_string(owner.Pid()) + "\n");
    EXPECT_FALSE(device.Open(pty.Slave(), error, machine.roots));
    EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
    EXPECT_EQ(error.holderPid, owner.Pid());
    EXPECT_EQ(ReadFile(lock), std::to_string(owner.Pid()) + "\n");
    std::filesystem::remove(lock);

    // Without a lock directory we may write to, the port still opens.
    machine.roots.lock = machine.dir.File("no-lock-dir");
    EXPECT_TRUE(device.Open(pty.Slave(), error, machine.roots));
}

TEST(PortClaimTest, AnExclusiveFlagSetByAnotherIsRespectedAndLeftSet) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    FakeMachine machine;
    LocalDevice device;
    OpenError error;
    ASSERT_EQ(ioctl(pty.Keeper(), TIOCEXCL), 0);
    Snapshot before = Take(pty);
    EXPECT_FALSE(device.Open(pty.Slave(), error, machine.roots));
    EXPECT_EQ(error.row, OpenErrorRow::SharingViolation);
    EXPECT_EQ(error.code, EBUSY);
    ExpectUntouched(pty, before);
    EXPECT_FALSE(std::filesystem::exists(LockFor(machine.roots, pty.Slave()))) << "the lock is given back";
    ASSERT_EQ(ioctl(pty.Keeper(), TIOCNXCL), 0);
}

TEST(PortClaimTest, EioIsAPortThatCannotBeFoundAndEaccesNamesTheGroup) {
    // A pty that is not unlocked yet refuses its opens with EIO, as a ttyS
    // node with no UART does.
    int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    std::string slave = ptsname(master);
    FakeMachine machine;
    LocalDevice device;
    OpenError error;
    EXPECT_FALSE(device.Open(slave, error, machine.roots));
    EXPECT_EQ(error.code, EIO);
    EXPECT_EQ(error.row, OpenErrorRow::CannotFind);
    close(master);

    // A user who may not open the device is told which group owns it: a
    // process of nobody's tries.
    PtyPair pty;
    ASSERT_TRUE(pty.Ok());
    ASSERT_EQ(chmod(pty.Slave().c_str(), 0660), 0);
    struct stat info {};
    ASSERT_EQ(stat(pty.Slave().c_str(), &info), 0);
    const group* owner = getgrgid(info.st_gid);
    const std::string group = owner ? owner->gr_name : std::to_string(info.st_gid);
    ChildProcess nobody(std::function<bool()>([&pty, &group] {
        if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) return false;
        OpenError refused;
        DeviceRoots roots;
        roots.lock = "/nonexistent";
        return !LocalDevice().Open(pty.Slave(), refused, roots) && refused.row == OpenErrorRow::AccessDenied &&
               refused.group == group;
    }));
    EXPECT_TRUE(nobody.Ready()) << "refused without naming the group " << group;
}

}  // namespace
}  // namespace quillfen::test
