// SPDX-License-Identifier: MIT
// Ctrl-C and the other stop requests of a terminal or console, delivered
// as data. On POSIX a signalfd for SIGINT, SIGTERM and SIGHUP, which stay
// blocked for the life of the object so no handler ever runs; on Windows a
// console control handler for Ctrl-C, Ctrl-Break and the close requests. A
// caller calls Take() whenever it is ready to act; Take never blocks. The
// previous handling is restored on destruction.
#pragma once

#include <memory>

namespace quillfen::cli {

enum class StopRequest { None, Interrupt, Terminate };

class InterruptSignals {
public:
    InterruptSignals();
    ~InterruptSignals();
    InterruptSignals(const InterruptSignals&) = delete;
    InterruptSignals& operator=(const InterruptSignals&) = delete;

    // False when the requests cannot be watched; they then act by default.
    bool Ready() const;
    // The next pending request, or None.
    StopRequest Take();

    // What the platform halves of the terminal code wait on.
    struct Platform;
    Platform& Native() const { return *platform_; }

private:
    std::unique_ptr<Platform> platform_;
};

}  // namespace quillfen::cli
