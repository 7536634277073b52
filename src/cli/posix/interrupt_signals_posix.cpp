#include "cli/interrupt_signals.h"

#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>

namespace quillfen::cli {

InterruptSignals::InterruptSignals() {
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGHUP);
    if (sigprocmask(SIG_BLOCK, &stops, &previousMask_) != 0) return;
    fd_ = signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC);
    if (fd_ < 0) sigprocmask(SIG_SETMASK, &previousMask_, nullptr);
}

InterruptSignals::~InterruptSignals() {
    if (fd_ < 0) return;
    close(fd_);
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
    sigprocmask(SIG_SETMASK, &previousMask_, nullptr);
}

StopRequest InterruptSignals::Take() {
    if (fd_ < 0) return StopRequest::None;
    signalfd_siginfo info{};
    while (true) {
        ssize_t got = read(fd_, &info, sizeof info);
        if (got == static_cast<ssize_t>(sizeof info)) break;
        if (got < 0 && errno == EINTR) continue;
        return StopRequest::None;
    }
    return info.ssi_signo == SIGINT ? StopRequest::Interrupt : StopRequest::Terminate;
}

}  // namespace quillfen::cli
