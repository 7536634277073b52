// SPDX-License-Identifier: MIT
#include "cli/posix/interrupt_signals_posix.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace quillfen::cli {

InterruptSignals::InterruptSignals() : platform_(std::make_unique<Platform>()) {
    // A reader of stdout that goes away must not kill the session: the log
    // file still gets every entry and the simulator still gets stopped.
    signal(SIGPIPE, SIG_IGN);

    int& fd = platform_->fd;
    sigset_t& previousMask = platform_->previousMask;
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stops, &previousMask) != 0) return;
    fd = signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd < 0) sigprocmask(SIG_SETMASK, &previousMask, nullptr);
}

InterruptSignals::~InterruptSignals() {
    const int fd = platform_->fd;
    if (fd < 0) return;
    close(fd);
    // Anything still pending is dropped rather than delivered by default on
    // unblocking: the session it was meant to stop is already over.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    timespec noWait{};
    while (sigtimedwait(&stops, nullptr, &noWait) > 0) {
    }
    sigprocmask(SIG_SETMASK, &platform_->previousMask, nullptr);
}

bool InterruptSignals::Ready() const { return platform_->fd >= 0; }

StopRequest InterruptSignals::Take() {
    const int fd = platform_->fd;
    if (fd < 0) return StopRequest::None;
    signalfd_siginfo info{};
    while (true) {
        ssize_t got = read(fd, &info, sizeof info);
        if (got == static_cast<ssize_t>(sizeof info)) break;
        if (got < 0 && errno == EINTR) continue;
        return StopRequest::None;
    }
    return info.ssi_signo == SIGINT ? StopRequest::Interrupt : StopRequest::Terminate;
}

}  // namespace quillfen::cli
