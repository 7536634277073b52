// The serial device on Windows: the communications API with overlapped
// reads and writes on one handle opened without sharing.
#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>

#include "serial/local_device.h"

namespace quillfen {

namespace {

constexpr DWORD QueueSize = 16384;

// A read returns as soon as any byte is there; the constants only bound a
// read nobody waits for any more.
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

// The COM number at the end of "\\.\COM7" or "COM7"; 0 for any other name.
unsigned ComNumberOf(const std::string& device) {
    std::size_t at = device.size();
    while (at > 0 && std::isdigit(static_cast<unsigned char>(device[at - 1]))) --at;
    if (at < 3 || at == device.size() || device.size() - at > 3) return 0;
    const char* prefix = device.c_str() + at - 3;
    if (std::toupper(static_cast<unsigned char>(prefix[0])) != 'C' ||
        std::toupper(static_cast<unsigned char>(prefix[1])) != 'O' ||
        std::toupper(static_cast<unsigned char>(prefix[2])) != 'M')
        return 0;
    return static_cast<unsigned>(std::strtoul(device.c_str() + at, nullptr, 10));
}

}  // namespace

struct LocalDevice::Platform {
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED readOverlapped{};
    OVERLAPPED writeOverlapped{};
    // Refilled at every open; fields the definition text leaves alone keep
    // what the last open gave them.
    DCB line{};
    DCB saved{};
    bool savedValid = false;
    unsigned comNumber = 0;
    // The write handed to the system and perhaps not finished yet.
    DWORD writeLength = 0;
    bool writeStarted = false;
    // The device has gone away (a USB adaptor pulled): its calls now fail
    // with one of these errors.
    bool hungUp = false;

    void NoticeFailure(DWORD number) {
        if (number == ERROR_BAD_COMMAND || number == ERROR_DEVICE_REMOVED || number == ERROR_GEN_FAILURE ||
            number == ERROR_INVALID_HANDLE) {
            hungUp = true;
        }
    }

    bool WritePending() const { return writeStarted && !HasOverlappedIoCompleted(&writeOverlapped); }

    // Cancels an operation still in flight and waits for the system to let
    // go of its buffer. Returns the bytes it delivered before it ended.
    DWORD Settle(OVERLAPPED& overlapped) {
        DWORD count = 0;
        if (HasOverlappedIoCompleted(&overlapped)) {
            GetOverlappedResult(handle, &overlapped, &count, FALSE);
            return count;
        }
        CancelIoEx(handle, &overlapped);
        if (WaitForSingleObject(overlapped.hEvent, SettleLimit) == WAIT_OBJECT_0 ||
            HasOverlappedIoCompleted(&overlapped))
            GetOverlappedResult(handle, &overlapped, &count, FALSE);
        return count;
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

    HANDLE handle = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
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
    p.readOverlapped = OVERLAPPED{};
    p.writeOverlapped = OVERLAPPED{};
    p.readOverlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    p.writeOverlapped.hEvent = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    p.writeStarted = false;
    p.writeLength = 0;
    p.hungUp = false;
    error = OpenError{};
    return true;
}

bool LocalDevice::HungUp() const { return platform_->hungUp; }

bool LocalDevice::IsOpen() const { return platform_->handle != INVALID_HANDLE_VALUE; }

void LocalDevice::Close() {
    Platform& p = *platform_;
    if (p.handle == INVALID_HANDLE_VALUE) return;
    // Nothing may still read into or write from our buffers once the
    // handle is gone.
    if (p.writeStarted) p.Settle(p.writeOverlapped);
    p.writeStarted = false;
    if (p.savedValid) SetCommState(p.handle, &p.saved);
    if (p.readOverlapped.hEvent) CloseHandle(p.readOverlapped.hEvent);
    if (p.writeOverlapped.hEvent) CloseHandle(p.writeOverlapped.hEvent);
    p.readOverlapped.hEvent = nullptr;
    p.writeOverlapped.hEvent = nullptr;
    CloseHandle(p.handle);
    p.handle = INVALID_HANDLE_VALUE;
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
    if (p.handle == INVALID_HANDLE_VALUE) return;
    for (const EscapeRow& row : EscapeRows) {
        // A port without modem lines refuses these; the reset goes on.
        if (row.step == step) EscapeCommFunction(p.handle, row.function);
    }
}

void LocalDevice::PurgeInput() {
    if (platform_->handle != INVALID_HANDLE_VALUE) PurgeComm(platform_->handle, PURGE_RXABORT | PURGE_RXCLEAR);
}

void LocalDevice::PurgeOutput() {
    if (platform_->handle != INVALID_HANDLE_VALUE) PurgeComm(platform_->handle, PURGE_TXABORT | PURGE_TXCLEAR);
}

QueueCounts LocalDevice::QueryStatus() {
    QueueCounts counts;
    Platform& p = *platform_;
    if (p.handle == INVALID_HANDLE_VALUE) return counts;
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
    if (p.handle == INVALID_HANDLE_VALUE || data == nullptr || len == 0) return 0;
    if (len > DeviceWriteLimit) len = DeviceWriteLimit;
    // One write at a time: the record and the event belong to it.
    if (p.WritePending()) return 0;
    p.writeLength = static_cast<DWORD>(len);
    // Finished at once or pending, the write is left to the system. A write
    // the system refused at once is not in flight: nothing to wait for later.
    const BOOL finished = WriteFile(p.handle, data, p.writeLength, nullptr, &p.writeOverlapped);
    p.writeStarted = finished || GetLastError() == ERROR_IO_PENDING;
    return len;
}

std::size_t LocalDevice::Read(std::uint8_t* buffer, std::size_t n, int waitMs) {
    Platform& p = *platform_;
    if (p.handle == INVALID_HANDLE_VALUE || buffer == nullptr || n == 0) return 0;
    if (waitMs < 0) waitMs = 0;
    if (n > MAXDWORD) n = MAXDWORD;

    DWORD count = 0;
    if (ReadFile(p.handle, buffer, static_cast<DWORD>(n), &count, &p.readOverlapped)) return count;
    if (DWORD number = GetLastError(); number != ERROR_IO_PENDING) {
        p.NoticeFailure(number);
        return 0;
    }
    if (WaitForSingleObject(p.readOverlapped.hEvent, static_cast<DWORD>(waitMs)) != WAIT_OBJECT_0) {
        // Given up: cancel the read and wait until the system has let go of
        // the buffer, so no byte lands there after we return. Bytes that
        // came in while it was cancelled are kept, not lost.
        return p.Settle(p.readOverlapped);
    }
    count = 0;
    GetOverlappedResult(p.handle, &p.readOverlapped, &count, FALSE);
    return count;
}

std::intptr_t LocalDevice::HandleValue() const { return reinterpret_cast<std::intptr_t>(platform_->handle); }

}  // namespace quillfen
