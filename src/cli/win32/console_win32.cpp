// The standard streams on a Windows console, or the pipes and files a
// caller put in its place.
#include <windows.h>

#include "cli/console.h"
#include "cli/win32/interrupt_signals_win32.h"

namespace quillfen::cli {

namespace {

// How often a prompt looks for a stop request while it waits for a key.
constexpr DWORD InputPollMs = 50;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

}  // namespace

bool StdinIsTerminal() { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }

bool StderrIsTerminal() { return IsConsole(GetStdHandle(STD_ERROR_HANDLE)); }

bool WriteStream(Stream stream, std::string_view text) {
    HANDLE handle = GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    while (!text.empty()) {
        DWORD chunk = text.size() > 65536 ? 65536 : static_cast<DWORD>(text.size());
        DWORD wrote = 0;
        if (!WriteFile(handle, text.data(), chunk, &wrote, nullptr) || wrote == 0) return false;
        text.remove_prefix(wrote);
    }
    return true;
}

InputWait WaitForInputByte(const InterruptSignals&, char& byte) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE) return InputWait::End;
    const bool console = IsConsole(input);
    while (true) {
        if (StopRequestPending()) return InputWait::Stop;
        if (console) {
            DWORD waited = WaitForSingleObject(input, InputPollMs);
            if (waited == WAIT_TIMEOUT) continue;
            if (waited != WAIT_OBJECT_0) return InputWait::End;
            // Focus, mouse and key-up events carry no character; they are
            // taken off the queue so the wait does not spin on them.
            INPUT_RECORD record{};
            DWORD count = 0;
            if (!PeekConsoleInputA(input, &record, 1, &count) || count == 0) continue;
            if (record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown ||
                record.Event.KeyEvent.uChar.AsciiChar == 0) {
                ReadConsoleInputA(input, &record, 1, &count);
                continue;
            }
        }
        DWORD got = 0;
        if (!ReadFile(input, &byte, 1, &got, nullptr) || got != 1) {
            return StopRequestPending() ? InputWait::Stop : InputWait::End;
        }
        return InputWait::Byte;
    }
}

}  // namespace quillfen::cli
