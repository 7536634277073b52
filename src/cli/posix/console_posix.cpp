// SPDX-License-Identifier: MIT
// The standard streams on a POSIX terminal: plain descriptors and poll.
#include <poll.h>
#include <unistd.h>

#include <cerrno>

#include "cli/console.h"
#include "cli/posix/interrupt_signals_posix.h"

namespace quillfen::cli {

// Descriptors carry bytes as they are, and terminals take escape codes.
void PrepareProcess() {}

bool StdinIsTerminal() { return isatty(STDIN_FILENO) == 1; }

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

bool WriteStream(Stream stream, std::string_view text) {
    const int fd = stream == Stream::Out ? STDOUT_FILENO : STDERR_FILENO;
    while (!text.empty()) {
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
        return false;
    }
    return true;
}

InputWait WaitForInputByte(const InterruptSignals& signals, char& byte) {
    while (true) {
        pollfd watched[2] = {{STDIN_FILENO, POLLIN, 0}, {signals.Native().fd, POLLIN, 0}};
        int ready = poll(watched, 2, -1);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return InputWait::End;
        }
        if (watched[1].revents & POLLIN) return InputWait::Stop;
        if (watched[0].revents == 0) continue;
        ssize_t got = read(STDIN_FILENO, &byte, 1);
        if (got < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        return got == 1 ? InputWait::Byte : InputWait::End;
    }
}

}  // namespace quillfen::cli
