#include "cli/terminal_host.h"

#include <string>

#include "app/application.h"
#include "cli/console.h"

namespace quillfen::cli {

TerminalHost::TerminalHost(InterruptSignals& signals, int selection)
    : signals_(signals), selection_(selection), stdinIsTerminal_(StdinIsTerminal()) {}

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
        WriteAll(Stream::Err, "\nquillfen-cli: aborting; press Ctrl-C again to end the session\n", stderrBroken_);
        app_->AbortEvent();
        return;
    }
    app_->Exit();
}

BoxAnswer TerminalHost::ShowMessageBox(std::string_view text, BoxIcon, BoxButtons buttons) {
    std::string line;
    line.reserve(text.size() + 16);
    line.append(ProductName).append(": ").append(text).append("\n");
    WriteAll(Stream::Err, line, stderrBroken_);
    if (buttons == BoxButtons::Ok) return BoxAnswer::Ok;
    return AskRetryOrCancel();
}

BoxAnswer TerminalHost::AskRetryOrCancel() {
    // Nobody to ask, or the user has already asked to stop.
    if (!stdinIsTerminal_) return BoxAnswer::Cancel;
    if (app_ && (app_->Engine().AbortRequested == 1 || app_->ExitRequested())) return BoxAnswer::Cancel;

    while (true) {
        WriteAll(Stream::Err, "[R]etry or [C]ancel? ", stderrBroken_);
        char first = 0;
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
            if (first == 0 && c != ' ' && c != '\t') first = c;
        }
        if (first == 'r' || first == 'R') return BoxAnswer::Retry;
        if (first == 'c' || first == 'C') return BoxAnswer::Cancel;
    }
}

void TerminalHost::InsertLogText(std::int32_t, std::string_view text) {
    // A terminal only appends, so the position is always the end.
    WriteAll(Stream::Out, text, stdoutBroken_);
}

void TerminalHost::WriteAll(Stream stream, std::string_view text, bool& broken) {
    // A reader that went away (a pipe into head) must not end the session:
    // the log file still gets every entry, so stop writing here instead.
    if (!broken && !text.empty() && !WriteStream(stream, text)) broken = true;
}

}  // namespace quillfen::cli
