// SPDX-License-Identifier: MIT
// Whether a device is ours to open, and our UUCP lock on it while we hold it.
// Owns the lock file it wrote, nothing else. A caller may rely on: the checks
// only read the machine's own description of its devices and processes (the
// device itself is never opened); a refusal fills the OpenError as a sharing
// violation with who is in the way; Release removes only a lock file that
// still names this process.
//
// The lock files are the same on every POSIX system (uucp_lock_posix.cpp).
// What a system can tell about consoles and other holders is its own: Linux
// reads /proc (linux/), any other system checks what POSIX alone shows
// (posix/generic/).
#pragma once

#include <sys/types.h>

#include <climits>
#include <cstddef>
#include <string>

#include "serial/serial_device.h"

namespace quillfen::posix {

// True when the device is a system console or another process has it open,
// and then error says so. The far side of a pseudo-terminal is the modem
// itself, not a competitor: a process holding the pty's master is left out.
bool OccupiedElsewhere(const std::string& device, const DeviceRoots& roots, OpenError& error);

// True when another program has made the open terminal exclusive (root
// opens it all the same); false when the system cannot say.
bool ExclusiveElsewhere(int fd);

// The command name of a process, printable and cut to fit; empty when the
// system does not say.
void HolderName(long pid, const DeviceRoots& roots, char* name, std::size_t size);

// Fills error as a sharing violation by occupier (process pid, 0 for none).
// Returns true, for the checks that answer "occupied".
bool Refuse(OpenError& error, Occupier occupier, long pid, const DeviceRoots& roots);

// Reads a small file whole into text (terminated); the count read, -1 on failure.
ssize_t ReadSmallFile(const char* path, char* text, std::size_t size);

class UucpLock {
public:
    UucpLock() = default;
    ~UucpLock() { Release(); }
    UucpLock(const UucpLock&) = delete;
    UucpLock& operator=(const UucpLock&) = delete;

    // Honours the locks of live processes under every name the device goes
    // by (false, with error filled); removes stale ones; then writes our own
    // LCK..name when the lock directory lets us. Without a writable lock
    // directory the claim still succeeds: the other guards remain.
    bool Claim(const std::string& device, const DeviceRoots& roots, OpenError& error);
    void Release();
    // The lock file we hold, empty when none.
    const char* Path() const { return held_ ? path_ : ""; }

private:
    char path_[PATH_MAX] = {};
    bool held_ = false;
};

}  // namespace quillfen::posix
