// SPDX-License-Identifier: MIT
// The host seam for a terminal: how the core's waits, boxes and log reach a shell.
// Owns nothing but the link to the application, the typed command and the
// commands it has queued. The log streams to stdout unbuffered, byte for
// byte as it goes to the file; message boxes go to stderr with the one
// message prefix, MessagePrefix; the Retry/Cancel box asks only when stdin is
// a terminal and is answered Cancel otherwise. Ctrl-C dispatches Abort
// Event, a second Ctrl-C (or SIGTERM, SIGHUP, a console close) dispatches Exit.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

#include "host/host.h"
#include "cli/console.h"
#include "cli/interrupt_signals.h"

namespace quillfen {
class Application;
}

namespace quillfen::cli {

// Every line this program writes to standard error begins with it.
inline constexpr std::string_view MessagePrefix = "quillfen-cli: ";

// Writes one message to standard error, prefixed; several lines stay one message.
void SayToStderr(std::string_view text);

class TerminalHost : public Host {
public:
    // selection: the zero-based index the port list would hold; commandText:
    // what the command edit would hold; streamLog: the log goes to stdout too.
    TerminalHost(InterruptSignals& signals, int selection, std::string commandText, bool streamLog = true);

    // The application whose actions the stop requests reach; set once it exists.
    void Attach(Application& app) { app_ = &app; }

    void PumpEvents() override;
    BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override;
    void InsertLogText(std::int32_t position, std::string_view text) override;
    int PortSelection() override { return selection_; }
    std::size_t ReadCommandText(char* buffer, std::size_t size) override;
    void PostCommand(std::uint16_t commandId) override { posted_.push_back(commandId); }
    void ShowNote(std::string_view text) override { SayToStderr(text); }
    // Says at once when a modem hangs up, once an action.
    void ShowProgress(const Progress& progress) override;

    // Writes all of text unless the reader has gone away; then sets broken
    // and writes nothing more.
    static void WriteAll(Stream stream, std::string_view text, bool& broken);

private:
    void TakeStopRequests();
    void Act(StopRequest request);
    BoxAnswer AskRetryOrCancel();

    InterruptSignals& signals_;
    Application* app_ = nullptr;
    int selection_;
    std::string commandText_;
    std::deque<std::uint16_t> posted_;

    int interrupts_ = 0;
    bool hangUpSaid_ = false;
    bool stopRequested_ = false;
    bool streamLog_;
    bool stdinIsTerminal_;
    bool stdoutBroken_ = false;
    bool stderrBroken_ = false;
};

}  // namespace quillfen::cli
