// SPDX-License-Identifier: MIT
// The standard streams on a Windows console, or the pipes and files a
// caller put in its place. Bytes go out unchanged, as on Linux: the log's
// own CR LF, and text as UTF-8, which a console is handed as UTF-16 so that
// a name such as "Périphérique série USB" reads right whatever its code page.
#include <windows.h>
#include <fcntl.h>
#include <io.h>

#include <cstdio>

#include "cli/console.h"
#include "cli/win32/interrupt_signals_win32.h"
#include "host/win32/system_library.h"

namespace quillfen::cli {

namespace {

// How often a prompt looks for a stop request while it waits for a key.
constexpr DWORD InputPollMs = 50;
// UTF-8 bytes handed to the console at a time; each makes at most one
// UTF-16 unit.
constexpr std::size_t ConsoleChunk = 4096;

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) != 0;
}

bool WriteConsoleText(HANDLE console, std::string_view text) {
    wchar_t wide[ConsoleChunk];
    while (!text.empty()) {
        std::size_t take = text.size() < ConsoleChunk ? text.size() : ConsoleChunk;
        // A piece ends before a character's continuation bytes, never in them.
        while (take < text.size() && take > 0 && (static_cast<unsigned char>(text[take]) & 0xC0) == 0x80) --take;
        if (take == 0) take = text.size() < ConsoleChunk ? text.size() : ConsoleChunk;
        const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(take), wide, ConsoleChunk);
        DWORD written = 0;
        if (units > 0 && !WriteConsoleW(console, wide, static_cast<DWORD>(units), &written, nullptr)) return false;
        text.remove_prefix(take);
    }
    return true;
}

// Shows a typed key where the prompt is, since the console's own echo is off.
void Echo(wchar_t typed) {
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    if (!IsConsole(err)) return;
    DWORD written = 0;
    if (typed == L'\r') {
        WriteConsoleW(err, L"\r\n", 2, &written, nullptr);
    } else if (typed == L'\b') {
        WriteConsoleW(err, L"\b \b", 3, &written, nullptr);
    } else if (typed >= L' ') {
        WriteConsoleW(err, &typed, 1, &written, nullptr);
    }
}

// One key from a console whose line input is off. With line input on, the
// console would hand over the first character of a typed line and keep the
// rest (the Enter among it) where no wait on the input handle sees it.
InputWait ReadConsoleKey(HANDLE input, char& byte) {
    while (true) {
        if (StopRequestPending()) return InputWait::Stop;
        const DWORD waited = WaitForSingleObject(input, InputPollMs);
        if (waited == WAIT_TIMEOUT) continue;
        if (waited != WAIT_OBJECT_0) return InputWait::End;
        INPUT_RECORD record{};
        DWORD count = 0;
        if (!ReadConsoleInputW(input, &record, 1, &count)) return InputWait::End;
        // Focus, mouse and key-up events, and keys such as Shift, carry no
        // character.
        if (count == 0 || record.EventType != KEY_EVENT || !record.Event.KeyEvent.bKeyDown) continue;
        const wchar_t typed = record.Event.KeyEvent.uChar.UnicodeChar;
        if (typed == 0) continue;
        Echo(typed);
        byte = typed == L'\r' ? '\n' : typed < 0x80 ? static_cast<char>(typed) : '?';
        return InputWait::Byte;
    }
}

}  // namespace

void PrepareProcess() {
    KeepDllSearchInSystemFolder();
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    // Older consoles refuse the escape codes; StderrIsTerminal then says no.
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (IsConsole(err) && GetConsoleMode(err, &mode)) SetConsoleMode(err, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

bool StdinIsTerminal() { return IsConsole(GetStdHandle(STD_INPUT_HANDLE)); }

bool StderrIsTerminal() {
    DWORD mode = 0;
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    return IsConsole(err) && GetConsoleMode(err, &mode) && (mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

bool WriteStream(Stream stream, std::string_view text) {
    HANDLE handle = GetStdHandle(stream == Stream::Out ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE) return false;
    if (IsConsole(handle)) return WriteConsoleText(handle, text);
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
    DWORD mode = 0;
    if (GetConsoleMode(input, &mode)) {
        // Ctrl-C still reaches the handler: processed input stays on.
        SetConsoleMode(input, (mode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) | ENABLE_PROCESSED_INPUT);
        const InputWait got = ReadConsoleKey(input, byte);
        SetConsoleMode(input, mode);
        return got;
    }
    if (StopRequestPending()) return InputWait::Stop;
    DWORD got = 0;
    if (!ReadFile(input, &byte, 1, &got, nullptr) || got != 1) {
        return StopRequestPending() ? InputWait::Stop : InputWait::End;
    }
    return InputWait::Byte;
}

}  // namespace quillfen::cli
