// SPDX-License-Identifier: MIT
// What a POSIX caller waits on to see a stop request: the signalfd, and the
// mask to give a child process so it starts with nothing blocked.
#pragma once

#include <signal.h>

#include "cli/interrupt_signals.h"

namespace quillfen::cli {

struct InterruptSignals::Platform {
    int fd = -1;
    sigset_t previousMask{};
};

}  // namespace quillfen::cli
