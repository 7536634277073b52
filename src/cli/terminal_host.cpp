#include "cli/terminal_host.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "app/application.h"

namespace quillfen::cli {

TerminalHost::TerminalHost(InterruptSignals& signals, int selection)
    : signals_(signals), selection_(selection), stdinIsTerminal_(isatty(STDIN_FILENO) == 1) {}

void TerminalHost::PumpEvents() {
    TakeStopRequests();
    if (app_ && app_->Port().IsOpen()) portSeenOpen_ = true;
}

void TerminalHost::TakeStopRequests() {
    for (StopRequest request = signals_.Take(); request != StopRequest::None; request = signals_.Take()) {
        Act(request);
    }
}

void TerminalHost::Act(StopRequest request) {
    if (!app_) return;
    if (request == StopRequest::Interrupt && ++interrupts_ == 1) {
        WriteAll(STDERR_FILENO, "\nquillfen-cli: aborting; press Ctrl-C again to end the session\n", stderrBroken_);
        app_->AbortEvent();
        return;
    }
    app_->Exit();
}

BoxAnswer TerminalHost::ShowMessageBox(std::string_view text, BoxIcon, BoxButtons buttons) {
    std::string line;
    line.reserve(text.size() + 16);
    line.append(ProductName).append(": ").append(text).append("\n");
    WriteAll(STDERR_FILENO, line, stderrBroken_);
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    return AskRetryOrCancel();
}

BoxAnswer TerminalHost::AskRetryOrCancel() {
    // Nobody to ask, or the user has already asked to stop.
    if (!stdinIsTerminal_) return BoxAnswer::Cancel;
    if (app_ && (app_->Engine().AbortRequested == 1 || app_->ExitRequested())) return BoxAnswer::Cancel;

    while (true) {
        WriteAll(STDERR_FILENO, "[R]etry or [C]ancel? ", stderrBroken_);
        char first = 0;
        while (true) {
            pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {signals_.Fd(), POLLIN, 0}};
            int ready = poll(watched, 2, -1);
            if (ready < 0) {
                if (errno == EINTR) continue;
                return BoxAnswer::Cancel;
            }
            if (watched[1].revents & POLLIN) {
                WriteAll(STDERR_FILENO, "\n", stderrBroken_);
                TakeStopRequests();
                return BoxAnswer::Cancel;
            }
            if (watched[0].revents == 0) continue;
            char c = 0;
            ssize_t got = read(STDIN_FILENO, &c, 1);
            if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
            if (got <= 0) {
                WriteAll(STDERR_FILENO, "\n", stderrBroken_);
                return BoxAnswer::Cancel;
            }
            if (c == '\n') break;
            if (first == 0 && c != ' ' && c != '\t') first = c;
        }
        if (first == 'r' || first == 'R') return BoxAnswer::Retry;
        if (first == 'c' || first == 'C') return BoxAnswer::Cancel;
    }
}

void TerminalHost::InsertLogText(std::int32_t, std::string_view text) {
    // A terminal only appends, so the position is always the end.
    WriteAll(STDOUT_FILENO, text, stdoutBroken_);
}

void TerminalHost::WriteAll(int fd, std::string_view text, bool& broken) {
    // A reader that went away (a pipe into head) must not end the session:
    // the log file still gets every entry, so stop writing here instead.
    while (!broken && !text.empty()) {
        ssize_t wrote = write(fd, text.data(), text.size());
        if (wrote > 0) {
            text.remove_prefix(static_cast<std::size_t>(wrote));
            continue;
        }
        if (wrote < 0 && errno == EINTR) continue;
        if (wrote < 0 && errno == EAGAIN) {
            pollfd writable{fd, POLLOUT, 0};
            poll(&writable, 1, 1000);
            continue;
        }
        broken = true;
    }
}

}  // namespace quillfen::cli
