// SPDX-License-Identifier: MIT
// The serial device on Windows: the communications API with overlapped
// reads and writes on one handle opened without sharing.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>

#include "host/win32/system_library.h"
#include "serial/local_device.h"

namespace quillfen {

namespace {

constexpr DWORD QueueSize = 16384;

// A read waits for all it asked for, at most 5 s. The port session asks
// only for bytes already received, and a read still pending after the
// caller's own wait is cancelled; the constants only bound the rest.
constexpr COMMTIMEOUTS PortTimeouts = {
    MAXDWORD,  // ReadIntervalTimeout
    0,         // ReadTotalTimeoutMultiplier
    5000,      // ReadTotalTimeoutConstant
    0,         // WriteTotalTimeoutMultiplier
    10000,     // WriteTotalTimeoutConstant
};

// How long a cancelled operation may take to let go of its buffer. A driver
// that never completes a cancelled request must not hang the program.
constexpr DWORD SettleLimit = 5000;

// The errors with which a device that has gone away (a USB adaptor pulled,
// a Bluetooth link lost) fails every call from then on. An aborted request
// counts only when the abort was not our own cancel.
constexpr DWORD HangUpErrors[] = {
    ERROR_BAD_COMMAND,    ERROR_DEVICE_REMOVED,       ERROR_GEN_FAILURE,
    ERROR_INVALID_HANDLE, ERROR_DEVICE_NOT_CONNECTED, ERROR_OPERATION_ABORTED,
};

bool IsHangUp(DWORD number) {
    for (DWORD hangUp : HangUpErrors) {
        if (hangUp == number) return true;
    }
    return false;
}

// Windows sleeps in ticks of 15.6 ms unless a program asks for finer ones;
// every 5 ms pause of a command would last a whole tick and the capability
// test would take three times as long. A 1 ms tick is asked for while a
// port is open, which is where those pauses are. Windows 11 gives it to a
// program whose windows are all minimized only if the program says so.
using PeriodCall = UINT(WINAPI*)(UINT);
constexpr UINT FineTimerMs = 1;
struct FineTimer {
    PeriodCall begin = nullptr;
    PeriodCall end = nullptr;
};

template <typename Call>
Call Entry(HMODULE module, const char* name) {
    return module ? reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

const FineTimer& FineTimerCalls() {
    static const FineTimer calls = [] {
        FineTimer found;
        const HMODULE winmm = LoadSystemLibrary(L"winmm.dll");
        found.begin = Entry<PeriodCall>(winmm, "timeBeginPeriod");
        found.end = Entry<PeriodCall>(winmm, "timeEndPeriod");
        using SetInformation = BOOL(WINAPI*)(HANDLE, PROCESS_INFORMATION_CLASS, LPVOID, DWORD);
        const auto setInformation = Entry<SetInformation>(GetModuleHandleW(L"kernel32.dll"), "SetProcessInformation");
        PROCESS_POWER_THROTTLING_STATE keepTimer{PROCESS_POWER_THROTTLING_CURRENT_VERSION,
                                                 PROCESS_POWER_THROTTLING_IGNORE_TIMER_RESOLUTION, 0};
        if (setInformation) setInformation(GetCurrentProcess(), ProcessPowerThrottling, &keepTimer, sizeof keepTimer);
        return found;
    }();
    return calls;
}

constexpr char LineDefinitionFormat[] = "COM%u: baud=%u parity=N data=8 stop=1";

struct ErrorRow {
    DWORD number;
    OpenErrorRow row;
};

// Which failure text an open failure gets. Everything not listed is
// "Unspecified"; the number itself is always shown to the user.
constexpr ErrorRow ErrorRows[] = {
    {ERROR_FILE_NOT_FOUND, OpenErrorRow::CannotFind},
    {ERROR_PATH_NOT_FOUND, OpenErrorRow::CannotFind},
    {ERROR_INVALID_DRIVE, OpenErrorRow::CannotFind},
    {ERROR_BAD_UNIT, OpenErrorRow::CannotFind},
    {ERROR_TOO_MANY_OPEN_FILES, OpenErrorRow::TooManyOpen},
    {ERROR_ACCESS_DENIED, OpenErrorRow::AccessDenied},
    {ERROR_ARENA_TRASHED, OpenErrorRow::StorageDestroyed},
    {ERROR_NOT_ENOUGH_MEMORY, OpenErrorRow::NotEnoughMemory},
    {ERROR_INVALID_ACCESS, OpenErrorRow::InvalidAccess},
    {ERROR_NOT_READY, OpenErrorRow::NotReady},
    {ERROR_SHARING_VIOLATION, OpenErrorRow::SharingViolation},
};

OpenErrorRow RowFor(DWORD number) {
    for (const ErrorRow& entry : ErrorRows) {
        if (entry.number == number) return entry.row;
    }
    return OpenErrorRow::Unspecified;
}

bool Fail(OpenError& error, DWORD number) {
    error.row = RowFor(number);
    error.code = static_cast<int>(number);
    return false;
}

struct EscapeRow {
    LineControl step;
    DWORD function;
};

constexpr EscapeRow EscapeRows[] = {
    {LineControl::ClearDtr, CLRDTR},     {LineControl::ClearRts, CLRRTS}, {LineControl::SetXoff, SETXOFF},
    {LineControl::SetBreak, SETBREAK},   {LineControl::ClearBreak, CLRBREAK}, {LineControl::SetXon, SETXON},
    {LineControl::SetRts, SETRTS},       {LineControl::SetDtr, SETDTR},
};

// Where the digits at the end of a name begin.
std::size_t DigitsFrom(const std::string& name) {
    std::size_t at = name.size();
    while (at > 0 && std::isdigit(static_cast<unsigned char>(name[at - 1]))) --at;
    return at;
}

// The COM number at the end of "\\.\COM7" or "COM7"; 0 for any other name.
unsigned ComNumberOf(const std::string& device) {
    const std::size_t at = DigitsFrom(device);
    if (at < 3 || at == device.size() || device.size() - at > 3) return 0;
    const char* prefix = device.c_str() + at - 3;
    if (std::toupper(static_cast<unsigned char>(prefix[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(prefix[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(prefix[2])) != 'M')
        return 0;
    return static_cast<unsigned>(std::strtoul(device.c_str() + at, nullptr, 10));
}

// Windows knows COM1 to COM9 by their bare names only; COM10 and above
// open through the device namespace, which serves every number. A bare
// "COM12", however the user gave it, is opened as "\\.\COM12".
std::string PathToOpen(const std::string& device) {
    return DigitsFrom(device) == 3 && ComNumberOf(device) != 0 ? "\\\\.\\" + device : device;
}

// What the system reads into and writes from while a request is in flight.
// It belongs to the device, not to a caller, so nothing a caller frees is
// ever written by a request that outlived its call.
struct IoBlock {
    OVERLAPPED readOverlapped{};
    OVERLAPPED writeOverlapped{};
    std::uint8_t readBuffer[DeviceWriteLimit] = {};
    std::uint8_t writeBuffer[DeviceWriteLimit] = {};
};

}  // namespace

struct LocalDevice::Platform {
    HANDLE handle = INVALID_HANDLE_VALUE;
    std::unique_ptr<IoBlock> io = std::make_unique<IoBlock>();
    // Refilled at every open; fields the definition text leaves alone keep
    // what the last open gave them.
    DCB line{};
    DCB saved{};
    bool savedValid = false;
    unsigned comNumber = 0;
    bool fineTimer = false;
    // The write handed to the system and perhaps not finished yet.
    DWORD writeLength = 0;
    bool writeStarted = false;
    // The device has gone away: its calls now fail with a hang-up error.
    bool hungUp = false;
    // A cancelled request never let go of its buffer: the device takes no
    // more requests, and the buffer is never freed while the system may
    // still write to it.
    bool dead = false;

    bool Usable() const { return handle != INVALID_HANDLE_VALUE && !dead; }

    void NoticeFailure(DWORD number) {
        if (IsHangUp(number)) hungUp = true;
    }

    bool WritePending() const { return writeStarted && !HasOverlappedIoCompleted(&io->writeOverlapped); }

    // Ends a request, cancelling it first when cancel is set, and returns
    // the bytes it delivered. Its count is taken only once the system has
    // let go of the block, and only from a request that succeeded or that
    // our own cancel ended: a cancelled read hands over the bytes it had
    // already taken from the port, which would otherwise be lost. A request
    // that failed delivers nothing, whatever count it reports.
    DWORD Finish(OVERLAPPED& overlapped, bool cancel) {
        if (cancel && !HasOverlappedIoCompleted(&overlapped)) {
            CancelIoEx(handle, &overlapped);
            if (WaitForSingleObject(overlapped.hEvent, SettleLimit) != WAIT_OBJECT_0 &&
                !HasOverlappedIoCompleted(&overlapped)) {
                dead = true;
                return 0;
            }
        }
        DWORD count = 0;
        if (GetOverlappedResult(handle, &overlapped, &count, FALSE)) return count;
        const DWORD number = GetLastError();
        if (cancel && number == ERROR_OPERATION_ABORTED) return count;
        NoticeFailure(number);
        return 0;
    }
};

LocalDevice::LocalDevice() : platform_(std::make_unique<Platform>()) {}

LocalDevice::~LocalDevice() { Close(); }

// Windows keeps other programs out of an open port by itself (share mode 0
// gives them a sharing violation), so there is nothing to look up first.
bool LocalDevice::Open(const std::string& device, OpenError& error, const DeviceRoots&) {
    return Open(device, error);
}

bool LocalDevice::Open(const std::string& device, OpenError& error) {
    Close();
    if (device.empty()) return Fail(error, ERROR_FILE_NOT_FOUND);

    const std::string path = PathToOpen(device);
    HANDLE handle = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return Fail(error, GetLastError());

    Platform& p = *platform_;
    p.handle = handle;
    p.comNumber = ComNumberOf(device);
    p.saved = DCB{};
    p.saved.DCBlength = sizeof(DCB);
    p.savedValid = GetCommState(handle, &p.saved) != 0;

    // Results are ignored from here on: a port that opened is used as it is.
    SetupComm(handle, QueueSize, QueueSize);
    SetCommMask(handle, 0);
    COMMTIMEOUTS timeouts = PortTimeouts;
    SetCommTimeouts(handle, &timeouts);
    // A dead device's block was left to the system at close.
    if (!p.io) p.io = std::make_unique<IoBlock>();
    IoBlock& io = *p.io;
    io.readOverlapped = OVERLAPPED{};
    io.writeOverlapped = OVERLAPPED{};
    io.readOverlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    io.writeOverlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    p.writeStarted = false;
    p.writeLength = 0;
    p.hungUp = false;
    p.dead = false;
    const FineTimer& timer = FineTimerCalls();
    p.fineTimer = timer.begin && timer.begin(FineTimerMs) == 0;
    error = OpenError{};
    return true;
}

bool LocalDevice::HungUp() const { return platform_->hungUp || platform_->dead; }

bool LocalDevice::IsOpen() const { return platform_->handle != INVALID_HANDLE_VALUE; }

void LocalDevice::Close() {
    Platform& p = *platform_;
    if (p.handle == INVALID_HANDLE_VALUE) return;
    // Nothing may still read into or write from the block once the handle
    // is gone.
    if (p.writeStarted && !p.dead) p.Finish(p.io->writeOverlapped, true);
    p.writeStarted = false;
    // A dead driver may never answer this either.
    if (p.savedValid && !p.dead) SetCommState(p.handle, &p.saved);
    CloseHandle(p.io->readOverlapped.hEvent);
    CloseHandle(p.io->writeOverlapped.hEvent);
    CloseHandle(p.handle);
    p.handle = INVALID_HANDLE_VALUE;
    if (p.dead) {
        // Its last request may still complete into the block: the block is
        // left to it, never freed. This costs a few kilobytes once per
        // broken driver.
        IoBlock* leftToTheSystem = p.io.release();
        static_cast<void>(leftToTheSystem);
    }
    if (p.fineTimer) FineTimerCalls().end(FineTimerMs);
    p.fineTimer = false;
}

int LocalDevice::Configure(std::uint32_t bitsPerSecond) {
    Platform& p = *platform_;
    if (p.handle == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    if (!IsLineSpeed(bitsPerSecond)) return ERROR_INVALID_PARAMETER;
    char definition[64];
    std::snprintf(definition, sizeof definition, LineDefinitionFormat, p.comNumber,
                  static_cast<unsigned>(bitsPerSecond));
    // A name that is no COMn still gets the line; the port name in the text
    // is not what BuildCommDCB reads.
    const char* text = p.comNumber != 0 ? definition : std::strchr(definition, ' ') + 1;
    BuildCommDCBA(text, &p.line);
    p.line.DCBlength = sizeof(DCB);
    p.line.fOutxCtsFlow = FALSE;
    p.line.fOutxDsrFlow = FALSE;
    p.line.fDtrControl = DTR_CONTROL_ENABLE;
    p.line.fOutX = FALSE;
    p.line.fInX = FALSE;
    p.line.fRtsControl = RTS_CONTROL_ENABLE;
    p.line.fAbortOnError = FALSE;
    p.line.XonChar = 0x11;
    p.line.XoffChar = 0x13;
    if (SetCommState(p.handle, &p.line)) return 0;
    DWORD number = GetLastError();
    return number != 0 ? static_cast<int>(number) : -1;
}

void LocalDevice::Control(LineControl step) {
    Platform& p = *platform_;
    if (!p.Usable()) return;
    for (const EscapeRow& row : EscapeRows) {
        // A port without modem lines refuses these; the reset goes on.
        if (row.step == step) EscapeCommFunction(p.handle, row.function);
    }
}

void LocalDevice::PurgeInput() {
    if (platform_->Usable()) PurgeComm(platform_->handle, PURGE_RXABORT | PURGE_RXCLEAR);
}

void LocalDevice::PurgeOutput() {
    if (platform_->Usable()) PurgeComm(platform_->handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

QueueCounts LocalDevice::QueryStatus() {
    QueueCounts counts;
    Platform& p = *platform_;
    if (!p.Usable()) return counts;
    DWORD errors = 0;
    COMSTAT status{};
    if (!ClearCommError(p.handle, &errors, &status)) {
        p.NoticeFailure(GetLastError());
        return counts;
    }
    counts.errors = errors;
    counts.inQueue = status.cbInQue;
    counts.outQueue = status.cbOutQue;
    // A driver that has not queued a write yet does not count it; its
    // bytes are still to leave all the same.
    if (counts.outQueue == 0 && p.WritePending()) counts.outQueue = p.writeLength;
    return counts;
}

std::size_t LocalDevice::StartWrite(const std::uint8_t* data, std::size_t len) {
    Platform& p = *platform_;
    if (!p.Usable() || data == nullptr || len == 0) return 0;
    if (len > DeviceWriteLimit) len = DeviceWriteLimit;
    // One write at a time: the record, the event and the buffer belong to it.
    if (p.WritePending()) return 0;
    IoBlock& io = *p.io;
    std::memcpy(io.writeBuffer, data, len);
    p.writeLength = static_cast<DWORD>(len);
    // Finished at once or pending, the write is left to the system. A write
    // the system refused at once is not in flight: nothing to wait for later.
    const BOOL finished = WriteFile(p.handle, io.writeBuffer, p.writeLength, nullptr, &io.writeOverlapped);
    p.writeStarted = finished || GetLastError() == ERROR_IO_PENDING;
    return len;
}

std::size_t LocalDevice::Read(std::uint8_t* buffer, std::size_t n, int waitMs) {
    Platform& p = *platform_;
    if (!p.Usable() || buffer == nullptr || n == 0) return 0;
    if (waitMs < 0) waitMs = 0;
    IoBlock& io = *p.io;
    const DWORD wanted = static_cast<DWORD>(n < sizeof io.readBuffer ? n : sizeof io.readBuffer);

    DWORD count = 0;
    if (ReadFile(p.handle, io.readBuffer, wanted, nullptr, &io.readOverlapped)) {
        count = p.Finish(io.readOverlapped, false);
    } else if (const DWORD number = GetLastError(); number != ERROR_IO_PENDING) {
        p.NoticeFailure(number);
    } else {
        // Not there in time: the read is cancelled and waited for until the
        // system has let go of the block. A read that completed before its
        // cancel took effect keeps its bytes.
        const DWORD waited = WaitForSingleObject(io.readOverlapped.hEvent, static_cast<DWORD>(waitMs));
        const bool arrived = waited == WAIT_OBJECT_0;
        count = p.Finish(io.readOverlapped, !arrived);
    }
    if (count > wanted) count = 0;
    std::memcpy(buffer, io.readBuffer, count);
    return count;
}

std::intptr_t LocalDevice::HandleValue() const { return reinterpret_cast<std::intptr_t>(platform_->handle); }

}  // namespace quillfen
