// SPDX-License-Identifier: MIT
// Stop requests on a Windows console: a console control handler.
#include <windows.h>

#include <atomic>

#include "cli/win32/interrupt_signals_win32.h"

namespace quillfen::cli {

namespace {

// The console calls its handler on a thread of its own and passes it no
// context, so the requests wait here, the one place both can reach. Only the
// handler and InterruptSignals touch these counters.
std::atomic<int> InterruptsPending{0};
std::atomic<int> TerminatesPending{0};
std::atomic<bool> SessionRunning{false};

// How long a closing console waits for the session to write its closing
// lines. Windows ends the process five seconds after the close request, so
// the wait is measured by the clock: its 10 ms sleeps last a whole 15.6 ms
// tick, and counting them would run past the five seconds.
constexpr ULONGLONG CloseGraceMs = 4500;

BOOL WINAPI OnConsoleControl(DWORD event) {
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            ++InterruptsPending;
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            ++TerminatesPending;
            // The process ends as soon as this returns.
            for (const ULONGLONG deadline = GetTickCount64() + CloseGraceMs;
                 SessionRunning && GetTickCount64() < deadline;)
                Sleep(10);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool StopRequestPending() { return InterruptsPending > 0 || TerminatesPending > 0; }

InterruptSignals::InterruptSignals() : platform_(std::make_unique<Platform>()) {
    InterruptsPending = 0;
    TerminatesPending = 0;
    // A process started with Ctrl-C ignored (CREATE_NEW_PROCESS_GROUP)
    // would never see it; this program wants it.
    SetConsoleCtrlHandler(nullptr, FALSE);
    platform_->installed = SetConsoleCtrlHandler(OnConsoleControl, TRUE) != 0;
    SessionRunning = platform_->installed;
}

InterruptSignals::~InterruptSignals() {
    if (!platform_->installed) return;
    SessionRunning = false;
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
}

bool InterruptSignals::Ready() const { return platform_->installed; }

StopRequest InterruptSignals::Take() {
    int pending = InterruptsPending;
    while (pending > 0) {
        if (InterruptsPending.compare_exchange_weak(pending, pending - 1)) return StopRequest::Interrupt;
    }
    pending = TerminatesPending;
    while (pending > 0) {
        if (TerminatesPending.compare_exchange_weak(pending, pending - 1)) return StopRequest::Terminate;
    }
    return StopRequest::None;
}

}  // namespace quillfen::cli
