// Ctrl-C and the other stop requests of a terminal, delivered as data.
// Owns a signalfd for SIGINT, SIGTERM and SIGHUP, which stay blocked for the
// life of the object so no handler ever runs and no global is touched. A
// caller polls Fd() or calls Take() whenever it is ready to act; Take never
// blocks. The previous signal mask is restored on destruction.
#pragma once

#include <signal.h>

namespace quillfen::cli {

enum class StopRequest { None, Interrupt, Terminate };

class InterruptSignals {
public:
    InterruptSignals();
    ~InterruptSignals();
    InterruptSignals(const InterruptSignals&) = delete;
    InterruptSignals& operator=(const InterruptSignals&) = delete;

    // False when the signalfd could not be made; signals then act by default.
    bool Ready() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // The next pending request, or None.
    StopRequest Take();

    // The mask to give a child process so it starts with nothing blocked.
    const sigset_t& PreviousMask() const { return previousMask_; }

private:
    int fd_ = -1;
    sigset_t previousMask_{};
};

}  // namespace quillfen::cli
