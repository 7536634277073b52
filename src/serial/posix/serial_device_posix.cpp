// The serial device on a POSIX terminal: termios, modem-control ioctls,
// flock and UUCP lock files.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "serial/serial_device.h"

namespace quillfen {

namespace {

// Where UUCP-style programs (minicom, cu, uucico) leave their LCK..<name> files.
constexpr const char* LockDirectory = "/var/lock";

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
    error.row = RowFor(number);
    error.code = number;
    return false;
}

// A lock file holds the owner's pid, either as ASCII text ("%10d\n" and
// looser forms) or as a 4-byte binary int from older UUCP. 0 when the file
// holds neither.
pid_t PidFromLockText(const char* text, std::size_t length) {
    std::size_t at = 0;
    while (at < length && (text[at] == ' ' || text[at] == '\t')) ++at;
    long value = 0;
    std::size_t digits = 0;
    while (at < length && text[at] >= '0' && text[at] <= '9' && digits < 10) {
        value = value * 10 + (text[at] - '0');
        ++at;
        ++digits;
    }
    while (at < length && (text[at] == ' ' || text[at] == '\t' || text[at] == '\n' || text[at] == '\r')) ++at;
    if (digits > 0 && at == length) return value <= INT_MAX ? static_cast<pid_t>(value) : 0;

    if (length == sizeof(std::int32_t)) {
        std::int32_t binary = 0;
        std::memcpy(&binary, text, sizeof binary);
        return binary > 0 ? static_cast<pid_t>(binary) : 0;
    }
    return 0;
}

// True when LCK..<name> exists and names a process that is still running.
// A lock left by a dead process, or one naming this process (which never
// writes lock files, so the pid was reused), is stale and does not count.
bool LockHeldByLiveProcess(const char* name) {
    if (*name == '\0') return false;
    char path[PATH_MAX];
    int written = std::snprintf(path, sizeof path, "%s/LCK..%s", LockDirectory, name);
    if (written < 0 || static_cast<std::size_t>(written) >= sizeof path) return false;

    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return false;
    char text[64];
    ssize_t got;
    do {
        got = read(fd, text, sizeof text);
    } while (got < 0 && errno == EINTR);
    close(fd);
    if (got <= 0) return false;

    pid_t pid = PidFromLockText(text, static_cast<std::size_t>(got));
    if (pid <= 0 || pid == getpid()) return false;
    return kill(pid, 0) == 0 || errno == EPERM;
}

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

// The lock may be named after the name the user gave (/dev/modem) or after
// the device it leads to (/dev/ttyS0); both are honoured.
bool DeviceLocked(const std::string& device) {
    if (LockHeldByLiveProcess(BaseName(device.c_str()))) return true;
    char resolved[PATH_MAX];
    if (!realpath(device.c_str(), resolved)) return false;
    const char* resolvedName = BaseName(resolved);
    return std::strcmp(resolvedName, BaseName(device.c_str())) != 0 && LockHeldByLiveProcess(resolvedName);
}

}  // namespace

struct SerialDevice::Platform {
    int fd = -1;
    termios saved{};

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
            if (wrote < 0 && errno != EAGAIN && errno != EWOULDBLOCK) gone = true;
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

SerialDevice::SerialDevice() : platform_(std::make_unique<Platform>()) {}

SerialDevice::~SerialDevice() { Close(); }

bool SerialDevice::Open(const std::string& device, OpenError& error) {
    Close();
    if (device.empty()) return Fail(error, ENOENT);

    // Checked before the open: opening a real UART raises its lines, which
    // would disturb the program that holds it.
    if (DeviceLocked(device)) return Fail(error, EBUSY);

    int fd;
    do {
        fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return Fail(error, errno);

    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int number = (errno == EWOULDBLOCK) ? EBUSY : errno;
        close(fd);
        return Fail(error, number);
    }
    // Only a terminal can carry a modem; anything else is refused here.
    termios saved{};
    if (tcgetattr(fd, &saved) != 0) {
        int number = errno;
        close(fd);
        return Fail(error, number);
    }
    // Keeps out other opens (root excepted). Without it the flock alone
    // stops only programs that also use flock.
    ioctl(fd, TIOCEXCL);

    platform_->fd = fd;
    platform_->saved = saved;
    platform_->DropHeld();
    error = OpenError{};
    return true;
}

bool SerialDevice::IsOpen() const { return platform_->fd >= 0; }

void SerialDevice::Close() {
    Platform& p = *platform_;
    if (p.fd < 0) return;
    p.DropHeld();
    tcsetattr(p.fd, TCSANOW, &p.saved);
    // The exclusive flag outlives this descriptor while anyone else (a
    // simulator, a getty) keeps the terminal open; clear it so the next
    // open, ours included, is not refused.
    ioctl(p.fd, TIOCNXCL);
    close(p.fd);
    p.fd = -1;
}

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

int SerialDevice::Configure(std::uint32_t bitsPerSecond) {
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

void SerialDevice::Control(LineControl step) {
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

void SerialDevice::PurgeInput() {
    if (platform_->fd >= 0) tcflush(platform_->fd, TCIFLUSH);
}

void SerialDevice::PurgeOutput() {
    platform_->DropHeld();
    if (platform_->fd >= 0) tcflush(platform_->fd, TCOFLUSH);
}

QueueCounts SerialDevice::QueryStatus() {
    QueueCounts counts;
    Platform& p = *platform_;
    if (p.fd < 0) return counts;
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

std::size_t SerialDevice::StartWrite(const std::uint8_t* data, std::size_t len) {
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

std::size_t SerialDevice::Read(std::uint8_t* buffer, std::size_t n, int waitMs) {
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
    if ((watch.revents & POLLIN) == 0) return 0;
    // A plain read() finishes before it returns, so nothing can land in the
    // buffer after the wait has given up.
    ssize_t got;
    do {
        got = read(fd, buffer, n);
    } while (got < 0 && errno == EINTR);
    return got > 0 ? static_cast<std::size_t>(got) : 0;
}

std::intptr_t SerialDevice::HandleValue() const { return platform_->fd; }

}  // namespace quillfen
