#include "cli/terminal_host.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "app/application.h"

namespace quillfen::cli {

void SayToStderr(std::string_view text) {
    std::string line;
    line.reserve(MessagePrefix.size() + text.size() + 1);
    line.append(MessagePrefix).append(text).append("\n");
    // A standard error that went away loses only this message.
    bool broken = false;
    TerminalHost::WriteAll(STDERR_FILENO, line, broken);
}

TerminalHost::TerminalHost(InterruptSignals& signals, int selection, std::string commandText)
    : signals_(signals),
      selection_(selection),
      commandText_(std::move(commandText)),
      stdinIsTerminal_(isatty(STDIN_FILENO) == 1) {}

void TerminalHost::PumpEvents() {
    TakeStopRequests();
    while (app_ && !posted_.empty()) {
        std::uint16_t commandId = posted_.front();
        posted_.pop_front();
        app_->DispatchCommand(commandId);
    }
}

std::size_t TerminalHost::ReadCommandText(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    std::size_t length = commandText_.size() < size - 1 ? commandText_.size() : size - 1;
    std::memcpy(buffer, commandText_.data(), length);
    buffer[length] = '\0';
    return length;
}

void TerminalHost::TakeStopRequests() {
    for (StopRequest request = signals_.Take(); request != StopRequest::None; request = signals_.Take()) {
        Act(request);
    }
}

void TerminalHost::Act(StopRequest request) {
    if (!app_) return;
    stopRequested_ = true;
    if (request == StopRequest::Interrupt && ++interrupts_ == 1) {
        WriteAll(STDERR_FILENO, "\n", stderrBroken_);
        SayToStderr("aborting; press Ctrl-C again to end the session");
        app_->DispatchCommand(id::AbortEvent);
        return;
    }
    app_->DispatchCommand(id::Exit);
}

BoxAnswer TerminalHost::ShowMessageBox(std::string_view text, BoxIcon, BoxButtons buttons) {
    SayToStderr(text);
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    return AskRetryOrCancel();
}

BoxAnswer TerminalHost::AskRetryOrCancel() {
    // Nobody to ask, or the user has already asked to stop.
    if (!stdinIsTerminal_) return BoxAnswer::Cancel;
    if (stopRequested_) return BoxAnswer::Cancel;

    while (true) {
        WriteAll(STDERR_FILENO, std::string(MessagePrefix) + "[R]etry or [C]ancel? ", stderrBroken_);
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
