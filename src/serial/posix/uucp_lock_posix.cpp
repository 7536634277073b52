// SPDX-License-Identifier: MIT
// UUCP lock files, as cu, minicom and the fax and getty daemons expect them:
// we honour the locks of live processes, clear stale ones and leave our own
// while we hold a port. The same on every POSIX system.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "serial/posix/port_claim.h"

namespace quillfen::posix {
namespace {

// Lock files are small; a pid fits in far less.
constexpr std::size_t LockTextLimit = 64;

const char* BaseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash ? slash + 1 : path;
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
    if (std::strncmp(resolved, "/dev/", std::strlen("/dev/")) == 0) {
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

bool Refuse(OpenError& error, Occupier occupier, long pid, const DeviceRoots& roots) {
    error.row = OpenErrorRow::SharingViolation;
    error.code = EBUSY;
    error.occupier = occupier;
    error.holderPid = pid;
    error.holderName[0] = '\0';
    if (pid > 0) HolderName(pid, roots, error.holderName, sizeof error.holderName);
    return true;
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
            Refuse(error, Occupier::Process, static_cast<long>(owner), roots);
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
            Refuse(error, Occupier::Process, static_cast<long>(owner), roots);
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
