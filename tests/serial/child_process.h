// SPDX-License-Identifier: MIT
// Another process for the serial tests: it stays alive until the object goes
// away, and may hold a device open under flock while it lives, as a second
// terminal program would.
#pragma once

#include <fcntl.h>
#include <sys/file.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <string>

namespace quillfen::test {

class ChildProcess {
public:
    // With a device path, the child opens it and takes the exclusive flock.
    explicit ChildProcess(const std::string& flockDevice = std::string())
        : ChildProcess(std::function<bool()>([&flockDevice] {
              if (flockDevice.empty()) return true;
              int fd = open(flockDevice.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
              return fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
          })) {}

    // The child runs setUp first; Ready() tells whether it returned true.
    explicit ChildProcess(const std::function<bool()>& setUp) {
        int ready[2];
        int release[2];
        if (pipe2(ready, O_CLOEXEC) != 0) return;
        if (pipe2(release, O_CLOEXEC) != 0) {
            close(ready[0]);
            close(ready[1]);
            return;
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(ready[0]);
            close(release[1]);
            char ok = setUp() ? 1 : 0;
            (void)!write(ready[1], &ok, 1);
            char c;
            while (read(release[0], &c, 1) < 0 && errno == EINTR) {
            }
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        release_ = release[1];
        char ok = 0;
        while (read(ready[0], &ok, 1) < 0 && errno == EINTR) {
        }
        close(ready[0]);
        ready_ = pid_ > 0 && ok == 1;
    }
    ~ChildProcess() { Finish(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Ready() const { return ready_; }
    pid_t Pid() const { return pid_; }

    // Lets the child end and reaps it; its pid then names no process.
    void Finish() {
        if (release_ >= 0) close(release_);
        release_ = -1;
        if (pid_ > 0) {
            while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }

private:
    pid_t pid_ = -1;
    int release_ = -1;
    bool ready_ = false;
};

}  // namespace quillfen::test
