// SPDX-License-Identifier: MIT
#include "cli/terminal_host.h"

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
    TerminalHost::WriteAll(Stream::Err, line, broken);
}

TerminalHost::TerminalHost(InterruptSignals& signals, int selection, std::string commandText, bool streamLog)
    : signals_(signals),
      selection_(selection),
      commandText_(std::move(commandText)),
      streamLog_(streamLog),
      stdinIsTerminal_(StdinIsTerminal()) {}

void TerminalHost::PumpEvents() {
    TakeStopRequests();
    // Told at once rather than after a test that may run for minutes.
    if (app_) app_->ReportFileFailure();
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

void TerminalHost::ShowProgress(const Progress& progress) {
    if (progress.hungUp == hangUpSaid_) return;
    hangUpSaid_ = progress.hungUp;
    if (!progress.hungUp) return;
    SayToStderr("the modem on COM" + std::to_string(progress.comNumber) +
                " hung up or went away; the commands left get no answer");
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
        WriteAll(Stream::Err, "\n", stderrBroken_);
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
        WriteAll(Stream::Err, std::string(MessagePrefix) + "[R]etry or [C]ancel? ", stderrBroken_);
        // The answer is the first word of a whole line. A Windows console
        // hands over keys as typed, corrections included.
        char typed[16] = {};
        std::size_t length = 0;
        while (true) {
            char c = 0;
            InputWait input = WaitForInputByte(signals_, c);
            if (input == InputWait::Stop) {
                WriteAll(Stream::Err, "\n", stderrBroken_);
                TakeStopRequests();
                return BoxAnswer::Cancel;
            }
            if (input == InputWait::End) {
                WriteAll(Stream::Err, "\n", stderrBroken_);
                return BoxAnswer::Cancel;
            }
            if (c == '\n') break;
            if (c == '\b') {
                if (length > 0) --length;
            } else if (length++ < sizeof typed) {
                typed[length - 1] = c;
            }
        }
        char first = 0;
        for (std::size_t at = 0; at < length && at < sizeof typed && first == 0; ++at) {
            if (typed[at] != ' ' && typed[at] != '\t') first = typed[at];
        }
        if (first == 'r' || first == 'R') return BoxAnswer::Retry;
        if (first == 'c' || first == 'C') return BoxAnswer::Cancel;
    }
}

void TerminalHost::InsertLogText(std::int32_t, std::string_view text) {
    // A terminal only appends, so the position is always the end.
    if (streamLog_) WriteAll(Stream::Out, text, stdoutBroken_);
}

void TerminalHost::WriteAll(Stream stream, std::string_view text, bool& broken) {
    // A reader that went away (a pipe into head) must not end the session:
    // the log file still gets every entry, so stop writing here instead.
    if (!broken && !text.empty() && !WriteStream(stream, text)) broken = true;
}

}  // namespace quillfen::cli
