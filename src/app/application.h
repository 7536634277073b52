// The application object and the toolkit-free command dispatch shared by
// every front end. It owns one instance of each core module and runs the
// modem actions inside the busy bracket: clear the abort flag, disable the
// busy set through the host, run, enable it again on every way out.
// A front end translates clicks and keys into these calls and nothing more.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/host.h"
#include "engine/command_engine.h"
#include "log/session_log.h"
#include "procedures/procedures.h"
#include "serial/port_names.h"
#include "serial/serial_port.h"

namespace quillfen {

// The longest typed command Send passes on; longer text is cut silently.
inline constexpr std::size_t TypedCommandLimit = 54;

class Application {
public:
    Application(Host& host, PortNames& names);

    // Start-up message, log file, header, start line and banner.
    void Start();
    // Closes the port (its closed line) and ends the log. Safe to call twice.
    void Shutdown();

    // The four modem actions, each inside the busy bracket.
    void Send(std::string_view text);
    void FindAllModems();
    void FaxTestSelectModem();
    void FaxTestAllModems();

    // Set the abort flag; the running action unwinds at its next test.
    void AbortEvent();
    // Set the abort flag and mark the session as ending. The front end
    // closes once Busy() is false.
    void Exit();
    // Selecting another port, dropping the list down or leaving it closes
    // the port.
    void HandlePortListChange();

    // The line speed of every later open; false for one the port cannot take.
    bool SetLineSpeed(std::uint32_t bitsPerSecond) { return port_.SetLineSpeed(bitsPerSecond); }

    bool Busy() const { return busy_; }
    bool ExitRequested() const { return exitRequested_; }

    SessionLog& Log() { return log_; }
    SerialPort& Port() { return port_; }
    CommandEngine& Engine() { return engine_; }
    Procedures& Procs() { return procedures_; }

private:
    template <typename Action>
    void RunBusy(Action action);

    Host& host_;
    SessionLog log_;
    SerialPort port_;
    CommandEngine engine_;
    Procedures procedures_;
    bool busy_ = false;
    bool exitRequested_ = false;
    bool shutDown_ = false;
    char typedCommand_[TypedCommandLimit + 1] = {};
};

}  // namespace quillfen
