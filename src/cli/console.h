// SPDX-License-Identifier: MIT
// The standard streams of the terminal or console quillfen-cli runs in.
// One implementation per platform. Writes are unbuffered and complete; a
// reader that has gone away is reported, never fatal. Waiting for input
// also watches the stop requests, so Ctrl-C is never stuck behind a prompt.
#pragma once

#include <string_view>

#include "cli/interrupt_signals.h"

namespace quillfen::cli {

enum class Stream { Out, Err };

// Called first thing. The streams carry bytes unchanged (the log's CR LF,
// UTF-8 text), and a console is asked to take the escape codes that redraw
// a line in place. On Windows it also keeps the process's DLL search to the
// system folder before anything loads one.
void PrepareProcess();

bool StdinIsTerminal();
// Whether standard error is a terminal that redraws lines in place (on
// Windows, a console that took the escape codes).
bool StderrIsTerminal();

// Writes all of text; false once the stream's reader has gone.
bool WriteStream(Stream stream, std::string_view text);

enum class InputWait { Byte, Stop, End };

// Waits for one byte of standard input or a stop request, whichever comes
// first. Stop leaves the request pending for Take().
InputWait WaitForInputByte(const InterruptSignals& signals, char& byte);

}  // namespace quillfen::cli
