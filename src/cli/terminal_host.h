// The host seam for a terminal: how the core's waits, boxes and log reach a shell.
// Owns nothing but the link to the application and what it has seen. The
// log streams to stdout unbuffered, byte for byte as it goes to the file;
// message boxes go to stderr prefixed "Quillfen: "; the Retry/Cancel box
// asks only when stdin is a terminal and is answered Cancel otherwise.
// Ctrl-C is Abort Event, a second Ctrl-C (or SIGTERM, SIGHUP, a console
// close) is Exit.
#pragma once

#include <cstdint>
#include <string_view>

#include "host/host.h"
#include "cli/console.h"
#include "cli/interrupt_signals.h"

namespace quillfen {
class Application;
}

namespace quillfen::cli {

class TerminalHost : public Host {
public:
    // selection: the zero-based index the port list would hold.
    TerminalHost(InterruptSignals& signals, int selection);

    // The application whose actions the stop requests reach; set once it exists.
    void Attach(Application& app) { app_ = &app; }

    void PumpEvents() override;
    BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override;
    void InsertLogText(std::int32_t position, std::string_view text) override;
    int PortSelection() override { return selection_; }
    void SetControlsEnabled(bool) override {}

    // Whether a port was open at any pump since the last reset: a scan opens
    // and closes its ports inside the action, so the state after it says nothing.
    bool PortSeenOpen() const { return portSeenOpen_; }

private:
    void TakeStopRequests();
    void Act(StopRequest request);
    BoxAnswer AskRetryOrCancel();
    static void WriteAll(Stream stream, std::string_view text, bool& broken);

    InterruptSignals& signals_;
    Application* app_ = nullptr;
    int selection_;
    int interrupts_ = 0;
    bool stdinIsTerminal_;
    bool stdoutBroken_ = false;
    bool stderrBroken_ = false;
    bool portSeenOpen_ = false;
};

}  // namespace quillfen::cli
