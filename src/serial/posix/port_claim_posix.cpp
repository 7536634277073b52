// SPDX-License-Identifier: MIT
// The checks before a device is opened: system consoles (/proc/consoles),
// processes holding the device (/proc/*/fd) and UUCP lock files, and the
// lock file we leave while we hold a port, as cu, minicom and the fax and
// getty daemons expect.
#include <dirent.h>
#include <fcntl.h>
#include <linux/major.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "serial/posix/port_claim.h"

namespace quillfen::posix {
namespace {

// The system's own terminals, whatever /proc/consoles says: /dev/tty,
// /dev/console and the virtual consoles tty0 to tty63. None is a modem.
struct DeviceRange {
    unsigned major;
    unsigned firstMinor;
    unsigned lastMinor;
};
constexpr DeviceRange SystemTerminals[] = {
    {TTYAUX_MAJOR, 0, 1},
    {TTY_MAJOR, 0, 63},
};

// The multiplexer every pty master is opened through (/dev/ptmx).
constexpr unsigned PtmxMajor = TTYAUX_MAJOR;
constexpr unsigned PtmxMinor = 2;
constexpr unsigned PtySlaveMajors = 8;  // UNIX98_PTY_MAJOR_COUNT
constexpr unsigned MinorsPerMajor = 256;

// Lock files are small; a pid fits in far less.
constexpr std::size_t LockTextLimit = 64;
constexpr std::size_t LineLimit = 256;

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
}

bool AllDigits(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

// Reads a small file whole into text (terminated); the count read, -1 on failure.
ssize_t ReadSmallFile(const char* path, char* text, std::size_t size) {
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return -1;
    std::size_t got = 0;
    while (got + 1 < size) {
        ssize_t n = read(fd, text + got, size - 1 - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    close(fd);
    text[got] = '\0';
    return static_cast<ssize_t>(got);
}

// The command name of a process, printable and cut to fit; empty when unknown.
void CommandName(const char* procRoot, long pid, char* name, std::size_t size) {
    name[0] = '\0';
    char path[PATH_MAX];
    std::snprintf(path, sizeof path, "%s/%ld/comm", procRoot, pid);
    char text[HolderNameSize];
    if (ReadSmallFile(path, text, sizeof text) <= 0) return;
    text[std::strcspn(text, "\n")] = '\0';
    for (char* c = text; *c; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || static_cast<unsigned char>(*c) > 0x7e) *c = '?';
    }
    std::snprintf(name, size, "%s", text);
}

bool Refuse(OpenError& error, Occupier occupier, long pid, const char* procRoot) {
    error.row = OpenErrorRow::SharingViolation;
    error.code = EBUSY;
    error.occupier = occupier;
    error.holderPid = pid;
    error.holderName[0] = '\0';
    if (pid > 0) CommandName(procRoot, pid, error.holderName, sizeof error.holderName);
    return true;
}

bool IsSystemTerminal(dev_t device) {
    for (const DeviceRange& range : SystemTerminals) {
        if (major(device) == range.major && minor(device) >= range.firstMinor && minor(device) <= range.lastMinor) {
            return true;
        }
    }
    return false;
}

// /proc/consoles ends each line with the console's "major:minor".
bool ListedAsConsole(dev_t device, const char* procRoot) {
    char path[PATH_MAX];
    std::snprintf(path, sizeof path, "%s/consoles", procRoot);
    FILE* consoles = std::fopen(path, "re");
    if (!consoles) return false;
    char line[LineLimit];
    bool listed = false;
    while (!listed && std::fgets(line, sizeof line, consoles)) {
        line[std::strcspn(line, "\n")] = '\0';
        const char* numbers = std::strrchr(line, ' ');
        numbers = numbers ? numbers + 1 : line;
        unsigned consoleMajor = 0;
        unsigned consoleMinor = 0;
        if (std::sscanf(numbers, "%u:%u", &consoleMajor, &consoleMinor) == 2) {
            listed = major(device) == consoleMajor && minor(device) == consoleMinor;
        }
    }
    std::fclose(consoles);
    return listed;
}

bool IsPtySlave(dev_t device) {
    return major(device) >= UNIX98_PTY_SLAVE_MAJOR && major(device) < UNIX98_PTY_SLAVE_MAJOR + PtySlaveMajors;
}

long PtyIndex(dev_t device) {
    return static_cast<long>((major(device) - UNIX98_PTY_SLAVE_MAJOR) * MinorsPerMajor + minor(device));
}

// The pty index a master descriptor serves, from its fdinfo "tty-index:"
// line; -1 when the kernel does not say.
long MasterIndex(const char* procRoot, const char* pid, const char* fd) {
    char path[PATH_MAX];
    std::snprintf(path, sizeof path, "%s/%s/fdinfo/%s", procRoot, pid, fd);
    char text[LineLimit * 4];
    if (ReadSmallFile(path, text, sizeof text) <= 0) return -1;
    const char* field = std::strstr(text, "tty-index:");
    if (!field) return -1;
    char* end = nullptr;
    long index = std::strtol(field + std::strlen("tty-index:"), &end, 10);
    return end == field + std::strlen("tty-index:") ? -1 : index;
}

struct FdScan {
    bool holdsDevice = false;
    bool holdsItsMaster = false;
};

// Looks through one process's open files. Only links into a device
// directory are followed, so a file on a hung network mount is never touched.
FdScan ScanProcess(const char* procRoot, const char* devRoot, const char* pid, dev_t device) {
    FdScan scan;
    char fdDir[PATH_MAX];
    std::snprintf(fdDir, sizeof fdDir, "%s/%s/fd", procRoot, pid);
    DIR* fds = opendir(fdDir);
    if (!fds) return scan;  // another user's process, unless we are root
    const bool pty = IsPtySlave(device);
    char devPrefix[PATH_MAX];
    std::snprintf(devPrefix, sizeof devPrefix, "%s/", devRoot);
    while (dirent* entry = readdir(fds)) {
        if (!AllDigits(entry->d_name)) continue;
        char link[PATH_MAX + NAME_MAX + 2];
        std::snprintf(link, sizeof link, "%s/%s", fdDir, entry->d_name);
        char target[PATH_MAX];
        ssize_t length = readlink(link, target, sizeof target - 1);
        if (length <= 0) continue;
        target[length] = '\0';
        if (!StartsWith(target, "/dev/") && !StartsWith(target, devPrefix)) continue;
        struct stat info;
        if (stat(link, &info) != 0 || !S_ISCHR(info.st_mode)) continue;
        if (info.st_rdev == device) {
            scan.holdsDevice = true;
        } else if (pty && major(info.st_rdev) == PtmxMajor && minor(info.st_rdev) == PtmxMinor) {
            long index = MasterIndex(procRoot, pid, entry->d_name);
            // Without the index the master cannot be told apart; a process
            // with any master is then taken for a software modem.
            if (index < 0 || index == PtyIndex(device)) scan.holdsItsMaster = true;
        }
    }
    closedir(fds);
    return scan;
}

// The first other process that has the device open, or 0.
long HoldingProcess(dev_t device, const DeviceRoots& roots) {
    DIR* proc = opendir(roots.proc.c_str());
    if (!proc) return 0;
    const long self = static_cast<long>(getpid());
    long holder = 0;
    while (holder == 0) {
        dirent* entry = readdir(proc);
        if (!entry) break;
        if (!AllDigits(entry->d_name)) continue;
        long pid = std::strtol(entry->d_name, nullptr, 10);
        if (pid == self) continue;
        FdScan scan = ScanProcess(roots.proc.c_str(), roots.dev.c_str(), entry->d_name, device);
        if (scan.holdsDevice && !scan.holdsItsMaster) holder = pid;
    }
    closedir(proc);
    return holder;
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

bool ProcessAlive(pid_t pid) { return kill(pid, 0) == 0 || errno == EPERM; }

enum class LockState { Absent, Live, Stale, Unreadable };

// What LCK..name says. A lock naming a dead process, or this one (we hold
// no port while we claim one, so the pid was reused), is stale.
LockState ReadLock(const char* path, pid_t& owner) {
    owner = 0;
    char text[LockTextLimit];
    ssize_t got = ReadSmallFile(path, text, sizeof text);
    if (got < 0) return errno == ENOENT ? LockState::Absent : LockState::Unreadable;
    owner = PidFromLockText(text, static_cast<std::size_t>(got));
    if (owner <= 0) return LockState::Unreadable;
    if (owner == getpid() || !ProcessAlive(owner)) return LockState::Stale;
    return LockState::Live;
}

// The lock names a device goes by: the name the user gave, the node it
// leads to, and that node's path below /dev with '/' as '_' (pts_3), the
// form lockdev and minicom write.
struct LockNames {
    char names[3][NAME_MAX + 1] = {};
    int count = 0;

    void Add(const char* name) {
        if (*name == '\0' || std::strlen(name) > NAME_MAX) return;
        for (int i = 0; i < count; ++i) {
            if (std::strcmp(names[i], name) == 0) return;
        }
        std::snprintf(names[count++], sizeof names[0], "%s", name);
    }
};

LockNames NamesOf(const std::string& device) {
    LockNames names;
    names.Add(BaseName(device.c_str()));
    char resolved[PATH_MAX];
    if (!realpath(device.c_str(), resolved)) return names;
    if (StartsWith(resolved, "/dev/")) {
        const char* below = resolved + std::strlen("/dev/");
        std::size_t length = std::strlen(below);
        if (length <= NAME_MAX) {
            char belowDev[NAME_MAX + 1];
            std::memcpy(belowDev, below, length + 1);
            for (char* c = belowDev; *c; ++c) {
                if (*c == '/') *c = '_';
            }
            names.Add(belowDev);
        }
    }
    names.Add(BaseName(resolved));
    return names;
}

}  // namespace

bool OccupiedElsewhere(const std::string& device, const DeviceRoots& roots, OpenError& error) {
    struct stat info;
    // Not there or not a character device: the open says what is wrong.
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    if (IsSystemTerminal(info.st_rdev) || ListedAsConsole(info.st_rdev, roots.proc.c_str())) {
        return Refuse(error, Occupier::Console, 0, roots.proc.c_str());
    }
    if (long holder = HoldingProcess(info.st_rdev, roots)) {
        return Refuse(error, Occupier::Process, holder, roots.proc.c_str());
    }
    return false;
}

bool UucpLock::Claim(const std::string& device, const DeviceRoots& roots, OpenError& error) {
    Release();
    LockNames names = NamesOf(device);
    for (int i = 0; i < names.count; ++i) {
        char path[PATH_MAX];
        std::snprintf(path, sizeof path, "%s/LCK..%s", roots.lock.c_str(), names.names[i]);
        pid_t owner = 0;
        LockState state = ReadLock(path, owner);
        if (state == LockState::Live) {
            Refuse(error, Occupier::Process, static_cast<long>(owner), roots.proc.c_str());
            return false;
        }
        // A stale lock only stands in the way of the next program.
        if (state == LockState::Stale) unlink(path);
    }

    // Ours goes under the most specific name: the node's own path.
    const char* ours = names.names[names.count > 1 ? 1 : 0];
    std::snprintf(path_, sizeof path_, "%s/LCK..%s", roots.lock.c_str(), ours);
    int fd = open(path_, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        pid_t owner = 0;
        // Someone was quicker between our look and our write.
        if (errno == EEXIST && ReadLock(path_, owner) == LockState::Live) {
            Refuse(error, Occupier::Process, static_cast<long>(owner), roots.proc.c_str());
            return false;
        }
        return true;
    }
    char text[16];
    int length = std::snprintf(text, sizeof text, "%10d\n", static_cast<int>(getpid()));
    bool written = write(fd, text, static_cast<std::size_t>(length)) == length;
    close(fd);
    if (!written) {
        unlink(path_);
        return true;
    }
    held_ = true;
    return true;
}

void UucpLock::Release() {
    if (!held_) return;
    held_ = false;
    pid_t owner = 0;
    // Remove it only while it still names us.
    if (ReadLock(path_, owner) != LockState::Absent && owner == getpid()) unlink(path_);
}

}  // namespace quillfen::posix
