// SPDX-License-Identifier: MIT
// What a Windows caller needs to see a stop request without taking it.
#pragma once

#include "cli/interrupt_signals.h"

namespace quillfen::cli {

struct InterruptSignals::Platform {
    bool installed = false;
};

// True while a Ctrl-C, Ctrl-Break or close request waits for Take().
bool StopRequestPending();

}  // namespace quillfen::cli
