// SPDX-License-Identifier: MIT
#include "pty.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace quillfen::modemsim {

namespace {

std::string Failure(const std::string& what) { return what + ": " + std::strerror(errno); }

}  // namespace

bool Pty::Open(std::string& error) {
    master_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) {
        error = Failure("posix_openpt");
        return false;
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        error = Failure("cannot unlock the pty");
        Close();
        return false;
    }
    const char* name = ptsname(master_);
    if (!name) {
        error = Failure("ptsname");
        Close();
        return false;
    }
    device_ = name;

    slave_ = open(device_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = Failure("cannot open " + device_);
        Close();
        return false;
    }
    // The simulator holds its pty as its own controlling terminal, so no
    // program that opens the device later (Wine's wineserver, for one) can
    // acquire it and be hung up when the simulator closes its side. Best
    // effort: a process that leads a process group but no session cannot.
    if (setsid() >= 0 || getsid(0) == getpid()) ioctl(slave_, TIOCSCTTY, 0);

    // Raw, so the line discipline neither echoes nor translates: every echo
    // and every CR the program sees comes from the modem.
    termios settings{};
    if (tcgetattr(slave_, &settings) != 0) {
        error = Failure("tcgetattr");
        Close();
        return false;
    }
    cfmakeraw(&settings);
    settings.c_cflag |= CLOCAL | CREAD;
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    cfsetispeed(&settings, B2400);
    cfsetospeed(&settings, B2400);
    if (tcsetattr(slave_, TCSANOW, &settings) != 0) {
        error = Failure("tcsetattr");
        Close();
        return false;
    }

    int flags = fcntl(master_, F_GETFL);
    if (flags < 0 || fcntl(master_, F_SETFL, flags | O_NONBLOCK) != 0 ||
        fcntl(master_, F_SETFD, FD_CLOEXEC) != 0) {
        error = Failure("fcntl");
        Close();
        return false;
    }
    return true;
}

bool Pty::Link(const std::string& path, std::string& error) {
    struct stat existing{};
    if (lstat(path.c_str(), &existing) == 0) {
        if (!S_ISLNK(existing.st_mode)) {
            error = path + " exists and is not a symlink; not replacing it";
            return false;
        }
        if (unlink(path.c_str()) != 0) {
            error = Failure("cannot remove the old link " + path);
            return false;
        }
    }
    if (symlink(device_.c_str(), path.c_str()) != 0) {
        error = Failure("cannot link " + path + " to " + device_);
        return false;
    }
    link_ = path;
    return true;
}

void Pty::Close() {
    if (!link_.empty()) {
        // Another simulator may have taken the name over since; its link stays.
        std::vector<char> target(device_.size() + 2);
        ssize_t length = readlink(link_.c_str(), target.data(), target.size());
        if (length >= 0 && std::string(target.data(), static_cast<std::size_t>(length)) == device_)
            unlink(link_.c_str());
        link_.clear();
    }
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
    master_ = slave_ = -1;
}

}  // namespace quillfen::modemsim
