// SPDX-License-Identifier: MIT
// What Linux tells about a device before it is opened: system consoles
// (/proc/consoles and the kernel's own terminal numbers), processes holding
// it (/proc/*/fd) and their names, and a terminal made exclusive by another.
#include <dirent.h>
#include <linux/major.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

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

constexpr std::size_t LineLimit = 256;

bool AllDigits(const char* text) {
    if (*text == '\0') return false;
    for (; *text; ++text) {
        if (*text < '0' || *text > '9') return false;
    }
    return true;
}

bool StartsWith(const char* text, const char* prefix) { return std::strncmp(text, prefix, std::strlen(prefix)) == 0; }

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

}  // namespace

bool OccupiedElsewhere(const std::string& device, const DeviceRoots& roots, OpenError& error) {
    struct stat info;
    // Not there or not a character device: the open says what is wrong.
    if (stat(device.c_str(), &info) != 0 || !S_ISCHR(info.st_mode)) return false;
    if (IsSystemTerminal(info.st_rdev) || ListedAsConsole(info.st_rdev, roots.proc.c_str())) {
        return Refuse(error, Occupier::Console, 0, roots);
    }
    if (long holder = HoldingProcess(info.st_rdev, roots)) {
        return Refuse(error, Occupier::Process, holder, roots);
    }
    return false;
}

bool ExclusiveElsewhere(int fd) {
    int exclusive = 0;
    return ioctl(fd, TIOCGEXCL, &exclusive) == 0 && exclusive != 0;
}

void HolderName(long pid, const DeviceRoots& roots, char* name, std::size_t size) {
    name[0] = '\0';
    char path[PATH_MAX];
    std::snprintf(path, sizeof path, "%s/%ld/comm", roots.proc.c_str(), pid);
    char text[HolderNameSize];
    if (ReadSmallFile(path, text, sizeof text) <= 0) return;
    text[std::strcspn(text, "\n")] = '\0';
    for (char* c = text; *c; ++c) {
        if (static_cast<unsigned char>(*c) < 0x20 || static_cast<unsigned char>(*c) > 0x7e) *c = '?';
    }
    std::snprintf(name, size, "%s", text);
}

}  // namespace quillfen::posix
