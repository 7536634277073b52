// SPDX-License-Identifier: MIT
// The serial device on a POSIX terminal: termios, modem-control ioctls,
// flock, TIOCEXCL and UUCP lock files.
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "serial/local_device.h"
#include "serial/posix/port_claim.h"

namespace quillfen {

namespace {

// Enough for any group entry the system databases hand back here.
constexpr std::size_t GroupBufferSize = 4096;

// The defaults of a LocalDevice opened without roots of its own.
const DeviceRoots& MachineRoots() {
    static const DeviceRoots roots;
    return roots;
}

struct ErrnoRow {
    int number;
    OpenErrorRow row;
};

// Which failure text an open failure gets. Everything not listed is
// "Unspecified"; the number itself is always shown to the user.
constexpr ErrnoRow ErrnoRows[] = {
    {ENOENT, OpenErrorRow::CannotFind},
    {ENODEV, OpenErrorRow::CannotFind},
    {ENXIO, OpenErrorRow::CannotFind},
    {EIO, OpenErrorRow::CannotFind},  // a ttyS node with no UART behind it
    {EMFILE, OpenErrorRow::TooManyOpen},
    {ENFILE, OpenErrorRow::TooManyOpen},
    {EACCES, OpenErrorRow::AccessDenied},
    {EPERM, OpenErrorRow::AccessDenied},
    {EBUSY, OpenErrorRow::SharingViolation},
    {EWOULDBLOCK, OpenErrorRow::SharingViolation},
    {ENOMEM, OpenErrorRow::NotEnoughMemory},
};

OpenErrorRow RowFor(int number) {
    for (const ErrnoRow& entry : ErrnoRows) {
        if (entry.number == number) return entry.row;
    }
    return OpenErrorRow::Unspecified;
}

bool Fail(OpenError& error, int number) {
    error = OpenError{};
    error.row = RowFor(number);
    error.code = number;
    return false;
}

// The group that owns the device, for a user who may need to join it.
void OwningGroup(const std::string& device, char* name, std::size_t size) {
    name[0] = '\0';
    struct stat info;
    if (stat(device.c_str(), &info) != 0) return;
    group entry;
    group* found = nullptr;
    char buffer[GroupBufferSize];
    if (getgrgid_r(info.st_gid, &entry, buffer, sizeof buffer, &found) == 0 && found) {
        std::snprintf(name, size, "%s", found->gr_name);
    } else {
        std::snprintf(name, size, "%u", static_cast<unsigned>(info.st_gid));
    }
}

}  // namespace

struct LocalDevice::Platform {
    int fd = -1;
    termios saved{};
    posix::UucpLock lock;
    // Cleared on close only when we set it: another holder's flag is theirs.
    bool setExclusive = false;
    bool hungUp = false;

    // A hang-up shows as POLLHUP (or an error) on the descriptor and as a
    // read that ends without data.
    void NoticeHangUp(short events) {
        if (events & (POLLHUP | POLLERR | POLLNVAL)) hungUp = true;
    }

    // Bytes of earlier writes the kernel did not take yet, in order.
    std::uint8_t held[DeviceWriteLimit] = {};
    std::size_t heldStart = 0;
    std::size_t heldCount = 0;

    // Writes what the kernel takes now. Returns the count taken; sets gone
    // when the device refuses for good (hung up, removed).
    std::size_t WriteNow(const std::uint8_t* data, std::size_t len, bool& gone) {
        std::size_t taken = 0;
        gone = false;
        while (taken < len) {
            ssize_t wrote = write(fd, data + taken, len - taken);
            if (wrote > 0) {
                taken += static_cast<std::size_t>(wrote);
                continue;
            }
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
                gone = true;
                if (errno == EIO || errno == ENXIO || errno == ENODEV) hungUp = true;
            }
            break;
        }
        return taken;
    }

    void HandOverHeld() {
        if (heldCount == 0) return;
        bool gone = false;
        std::size_t taken = WriteNow(held + heldStart, heldCount, gone);
        heldStart += taken;
        heldCount -= taken;
        // A device that refuses for good will never take these bytes; keeping
        // them would only make every later write wait out its drain limit.
        if (gone) heldCount = 0;
        if (heldCount == 0) heldStart = 0;
    }

    void DropHeld() {
        heldStart = 0;
        heldCount = 0;
    }
};

bool DeviceOccupied(const std::string& device, const DeviceRoots& roots, OpenError& error) {
    error = OpenError{};
    return posix::OccupiedElsewhere(device, roots, error);
}

LocalDevice::LocalDevice() : platform_(std::make_unique<Platform>()) {}

LocalDevice::~LocalDevice() { Close(); }

bool LocalDevice::Open(const std::string& device, OpenError& error) { return Open(device, error, MachineRoots()); }

bool LocalDevice::Open(const std::string& device, OpenError& error, const DeviceRoots& roots) {
    Close();
    if (device.empty()) return Fail(error, ENOENT);

    // All checked before the open: opening a real UART raises its lines and
    // a console or a getty's port must not see even that.
    error = OpenError{};
    if (posix::OccupiedElsewhere(device, roots, error)) return false;
    Platform& p = *platform_;
    if (!p.lock.Claim(device, roots, error)) return false;

    // From here on every failure gives the lock back.
    auto failOpen = [&](int fd, int number) {
        if (fd >= 0) close(fd);
        p.lock.Release();
        Fail(error, number);
        if (number == EACCES || number == EPERM) OwningGroup(device, error.group, sizeof error.group);
        return false;
    };

    int fd;
    do {
        fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return failOpen(-1, errno);

    if (flock(fd, LOCK_EX | LOCK_NB) != 0) return failOpen(fd, errno == EWOULDBLOCK ? EBUSY : errno);
    // Only a terminal can carry a modem; anything else is refused here.
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) return failOpen(fd, errno);
    // Root opens a terminal even when another program has made it
    // exclusive; that program holds it, so it is not ours.
    if (posix::ExclusiveElsewhere(fd)) return failOpen(fd, EBUSY);
    // Keeps out other opens (root excepted). Without it the flock alone
    // stops only programs that also use flock.
    p.setExclusive = ioctl(fd, TIOCEXCL) == 0;

    p.fd = fd;
    p.saved = saved;
    p.hungUp = false;
    p.DropHeld();
    error = OpenError{};
    return true;
}

bool LocalDevice::IsOpen() const { return platform_->fd >= 0; }

void LocalDevice::Close() {
    Platform& p = *platform_;
    if (p.fd < 0) return;
    p.DropHeld();
    tcsetattr(p.fd, TCSANOW, &p.saved);
    // The exclusive flag outlives this descriptor while anyone else (a
    // simulator) keeps the terminal open; clear ours so the next open, ours
    // included, is not refused.
    if (p.setExclusive) ioctl(p.fd, TIOCNXCL);
    p.setExclusive = false;
    close(p.fd);
    p.fd = -1;
    p.lock.Release();
}

bool LocalDevice::HungUp() const { return platform_->hungUp; }

namespace {

struct SpeedRow {
    std::uint32_t bitsPerSecond;
    speed_t code;
};
constexpr SpeedRow SpeedCodes[] = {
    {300, B300},     {1200, B1200},   {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200}, {230400, B230400},
};

}  // namespace

int LocalDevice::Configure(std::uint32_t bitsPerSecond) {
    const SpeedRow* speed = nullptr;
    for (const SpeedRow& row : SpeedCodes)
        if (row.bitsPerSecond == bitsPerSecond) speed = &row;
    if (!speed) return EINVAL;
    int fd = platform_->fd;
    if (fd < 0) return EBADF;
    termios line{};
    if (tcgetattr(fd, &line) != 0) return errno;
    cfmakeraw(&line);
    line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    line.c_cflag |= CS8 | CLOCAL | CREAD;
    line.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    line.c_cc[VMIN] = 0;
    line.c_cc[VTIME] = 0;
    cfsetispeed(&line, speed->code);
    cfsetospeed(&line, speed->code);
    if (tcsetattr(fd, TCSANOW, &line) != 0) return errno;
    int lines = TIOCM_DTR | TIOCM_RTS;
    ioctl(fd, TIOCMBIS, &lines);  // a pty has no modem lines
    return 0;
}

void LocalDevice::Control(LineControl step) {
    int fd = platform_->fd;
    if (fd < 0) return;
    int dtr = TIOCM_DTR;
    int rts = TIOCM_RTS;
    // Results are ignored: a pty has no modem lines and no break.
    switch (step) {
        case LineControl::ClearDtr: ioctl(fd, TIOCMBIC, &dtr); break;
        case LineControl::ClearRts: ioctl(fd, TIOCMBIC, &rts); break;
        case LineControl::SetXoff: tcflow(fd, TCOOFF); break;
        case LineControl::SetBreak: ioctl(fd, TIOCSBRK); break;
        case LineControl::ClearBreak: ioctl(fd, TIOCCBRK); break;
        case LineControl::SetXon: tcflow(fd, TCOON); break;
        case LineControl::SetRts: ioctl(fd, TIOCMBIS, &rts); break;
        case LineControl::SetDtr: ioctl(fd, TIOCMBIS, &dtr); break;
    }
}

void LocalDevice::PurgeInput() {
    if (platform_->fd >= 0) tcflush(platform_->fd, TCIFLUSH);
}

void LocalDevice::PurgeOutput() {
    platform_->DropHeld();
    if (platform_->fd >= 0) tcflush(platform_->fd, TCOFLUSH);
}

QueueCounts LocalDevice::QueryStatus() {
    QueueCounts counts;
    Platform& p = *platform_;
    if (p.fd < 0) return counts;
    pollfd watch{p.fd, 0, 0};
    if (poll(&watch, 1, 0) > 0) p.NoticeHangUp(watch.revents);
    p.HandOverHeld();
    int waiting = 0;
    if (ioctl(p.fd, FIONREAD, &waiting) == 0 && waiting > 0) counts.inQueue = static_cast<std::uint32_t>(waiting);
    int unsent = 0;
    if (ioctl(p.fd, TIOCOUTQ, &unsent) == 0 && unsent > 0) counts.outQueue = static_cast<std::uint32_t>(unsent);
    counts.outQueue += static_cast<std::uint32_t>(p.heldCount);
    // Line errors (framing, overrun) are not exposed by a plain terminal;
    // nothing reads them, so the count stays 0.
    return counts;
}

std::size_t LocalDevice::StartWrite(const std::uint8_t* data, std::size_t len) {
    Platform& p = *platform_;
    if (p.fd < 0 || data == nullptr || len == 0) return 0;
    if (len > DeviceWriteLimit) len = DeviceWriteLimit;

    p.HandOverHeld();
    std::size_t taken = 0;
    if (p.heldCount == 0) {
        bool gone = false;
        taken = p.WriteNow(data, len, gone);
        // A device that is gone takes nothing ever again; as with a refused
        // write, the bytes leave with it.
        if (gone) return len;
    }
    // Whatever is left queues behind the bytes already held, in order.
    if (p.heldStart > 0 && p.heldCount > 0) std::memmove(p.held, p.held + p.heldStart, p.heldCount);
    p.heldStart = 0;
    std::size_t room = DeviceWriteLimit - p.heldCount;
    std::size_t keep = len - taken;
    if (keep > room) keep = room;
    std::memcpy(p.held + p.heldCount, data + taken, keep);
    p.heldCount += keep;
    return taken + keep;
}

std::size_t LocalDevice::Read(std::uint8_t* buffer, std::size_t n, int waitMs) {
    int fd = platform_->fd;
    if (fd < 0 || buffer == nullptr || n == 0) return 0;
    if (waitMs < 0) waitMs = 0;

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(waitMs);
    pollfd watch{fd, POLLIN, 0};
    while (true) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        int ready = poll(&watch, 1, left > 0 ? static_cast<int>(left) : 0);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return 0;
        break;
    }
    platform_->NoticeHangUp(watch.revents);
    if ((watch.revents & POLLIN) == 0) return 0;
    // A plain read() finishes before it returns, so nothing can land in the
    // buffer after the wait has given up.
    ssize_t got;
    do {
        got = read(fd, buffer, n);
    } while (got < 0 && errno == EINTR);
    // Readable yet nothing to read: the line has hung up.
    if (got == 0 || (got < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV))) platform_->hungUp = true;
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::intptr_t LocalDevice::HandleValue() const { return platform_->fd; }

}  // namespace quillfen
