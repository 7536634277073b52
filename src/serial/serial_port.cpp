// SPDX-License-Identifier: MIT
#include "serial/serial_port.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

namespace quillfen {

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr const char* Separator = "=*=*=*=*=*=*\r\n\r\n=*=*=*=*=*=*\r\n";

constexpr const char* OpenFailureDialogFormat =
    "While trying to open your modem on COM%u an error occurred as follows:\n"
    "Windows Open Modem function returned:\n"
    "Error Code %d:\n"
    "%s\n"
    "\n"
    "If this is a valid COM-Port: Is another device, such as, your Internet connection or UPS "
    "(Uninterrupted Power Supply) using it?";

constexpr const char* OpenFailureLogFormat =
    "While trying to open your modem on COM%u an error occurred as follows:\r\n"
    "Windows Open Modem function returned:\r\n"
    "Error Code %d:\r\n"
    "%s\r\n"
    "\r\n"
    "If this is a valid COM-Port: Is another device, such as, your Internet connection or UPS "
    "(Uninterrupted Power Supply) using it?\r\n";

// What the user is told when the port will not open: the box text and the
// log text for each kind of failure, in the order of OpenErrorRow.
struct OpenFailureText {
    OpenErrorRow row;
    const char* dialog;
    const char* log;
    const char* words;  // for a line about the port
};

constexpr OpenFailureText OpenFailureTexts[] = {
    {OpenErrorRow::CannotFind,
     "The system cannot find the UART(COM-Port) specified:\n"
     "In other words, there is probably no UART or Modem on this COM-Port.\n"
     "\n"
     "You may have made a mistake when choosing your COM-Port/Modem.",
     "The system cannot find the UART(COM-Port) specified:\r\n"
     "In other words, there is probably no UART or Modem on this COM-Port.\r\n",
     "no such device"},
    {OpenErrorRow::TooManyOpen, "Too many things open.", "Too many things open.\r\n", "too many things open"},
    {OpenErrorRow::AccessDenied,
     "Access is denied:\n"
     "The COM-Port/Modem may already be open and in use by another Application such your mouse or RAS "
     "running as a Service. If this is the case, close it and try again. You may need to go to Services "
     "in the Control Panel and disable (Stop) RAS and/or any other Services that may be reserving the "
     "COM-Port/Modem.",
     "Access is denied:\r\n"
     "The COM-Port/Modem may already be open and in use by another\r\n"
     "Application such your mouse or RAS running as a Service. If this is\r\n"
     "the case, close it and try again. You may need to go to Services in\r\n"
     "the Control Panel and disable (Stop) RAS and/or any other Services\r\n"
     "that may be reserving the COM-Port/Modem.\r\n",
     "permission denied"},
    {OpenErrorRow::StorageDestroyed, "The storage control blocks were destroyed.",
     "The storage control blocks were destroyed.\r\n", "error %d"},
    {OpenErrorRow::NotEnoughMemory, "Not enough memory is available to process this command.",
     "Not enough memory is available to process this command.\r\n", "not enough memory"},
    {OpenErrorRow::InvalidAccess, "The access code is invalid.", "The access code is invalid.\r\n", "error %d"},
    {OpenErrorRow::NotReady, "The device is not ready.", "The device is not ready.\r\n", "not ready"},
    {OpenErrorRow::SharingViolation,
     "Sharing Violation:\n"
     "The COM-Port/Modem is being reserved by another Application such your mouse or RAS running as a "
     "Service. If this is the case, close it and try again. You may need to go to Services in the "
     "Control Panel and disable (Stop) RAS and/or any other Services that may be reserving the "
     "COM-Port/Modem.",
     "Sharing Violation:\r\n"
     "The COM-Port/Modem is being reserved by another Application such your mouse or RAS running as a "
     "Service. If this is the case, close it and try again. You may need to go to Services in the "
     "Control Panel and disable (Stop) RAS and/or any other Services that may be reserving the "
     "COM-Port/Modem.",
     "in use by another program"},
    {OpenErrorRow::Unspecified, "Unspecified Modem Error.", "Unspecified Modem Error.\r\n", "error %d"},
};

constexpr bool TextsFollowRowOrder() {
    std::size_t index = 0;
    for (const OpenFailureText& text : OpenFailureTexts) {
        if (static_cast<std::size_t>(text.row) != index++) return false;
    }
    return index == static_cast<std::size_t>(OpenErrorRow::Unspecified) + 1;
}
static_assert(TextsFollowRowOrder(), "one failure text per OpenErrorRow, in its order");

const OpenFailureText& FailureTextFor(OpenErrorRow row) {
    std::size_t index = static_cast<std::size_t>(row);
    constexpr std::size_t count = sizeof OpenFailureTexts / sizeof OpenFailureTexts[0];
    return OpenFailureTexts[index < count ? index : count - 1];
}

// The order in which the modem is reset at every open: lines down, output
// held, then a break; after the break everything is undone in reverse.
constexpr LineControl ResetBeforeBreak[] = {LineControl::ClearDtr, LineControl::ClearRts, LineControl::SetXoff,
                                            LineControl::SetBreak};
constexpr LineControl ResetAfterBreak[] = {LineControl::ClearBreak, LineControl::SetXon, LineControl::SetRts,
                                           LineControl::SetDtr};

// What the user is told, besides the failure text, about a device that
// belongs to someone else or that the user may not open.
constexpr const char* ConsoleNoteFormat = "%s is a system console; it is left alone";
constexpr const char* HolderNoteFormat = "%s is in use by %s (pid %ld)";
constexpr const char* UnnamedHolderNoteFormat = "%s is in use by another program (pid %ld)";
constexpr const char* GroupNoteFormat =
    "%s belongs to the group %s: you may need to join it (sudo usermod -aG %s $USER, then log in again)";

// The same reasons, in a few words for a line about the port.
constexpr const char* ConsoleWords = "system console, left alone";
constexpr const char* HolderWordsFormat = "in use by %s (pid %ld)";
constexpr const char* UnnamedHolderWordsFormat = "in use by another program (pid %ld)";
constexpr const char* GroupWordsFormat = "permission denied (group %s)";

// Pause between output-queue checks while a write waits for the queue to
// drain: longer the fuller the queue.
std::uint32_t DrainPause(std::uint32_t queued) {
    if (queued > 1000) return 50;
    if (queued > 250) return 10;
    return 0;
}

}  // namespace

void RefusalWords(const OpenError& error, char* text, std::size_t size) {
    if (size == 0) return;
    if (error.occupier == Occupier::Console) {
        std::snprintf(text, size, "%s", ConsoleWords);
    } else if (error.occupier == Occupier::Process && error.holderName[0] != '\0') {
        std::snprintf(text, size, HolderWordsFormat, error.holderName, error.holderPid);
    } else if (error.occupier == Occupier::Process && error.holderPid > 0) {
        std::snprintf(text, size, UnnamedHolderWordsFormat, error.holderPid);
    } else if (error.detail[0] != '\0') {
        std::snprintf(text, size, "%s", error.detail);
    } else if (error.row == OpenErrorRow::AccessDenied && error.group[0] != '\0') {
        std::snprintf(text, size, GroupWordsFormat, error.group);
    } else {
        std::snprintf(text, size, FailureTextFor(error.row).words, error.code);
    }
}

void PacedWait(Host& host, std::uint32_t ms) {
    std::uint32_t slice = ms / 10;
    if (slice == 0) slice = 1;
    const Clock::time_point deadline = Clock::now() + milliseconds(ms);
    do {
        std::this_thread::sleep_for(milliseconds(slice));
        host.PumpEvents();
    } while (Clock::now() < deadline);
}

SerialPort::SerialPort(Host& host, SessionLog& log, PortNames& names)
    : host_(host), log_(log), names_(names), device_(MakeDevice(std::string())) {}

int SerialPort::OpenPort(Quiet quiet) {
    log_.WriteLog(Separator, LogKind::Plain, AsLine::No);

    const unsigned comNumber = SelectedPort + 1u;
    const std::string device = names_.DeviceFor(comNumber);
    std::uint32_t backoff = 0;
    OpenError error;
    CloseQuietly();
    device_ = MakeDevice(device);
    while (true) {
        CloseQuietly();
        if (device_->Open(device, error, names_.Roots())) break;

        if (backoff <= BackoffLast) {
            backoff += BackoffStep;
            PacedWait(host_, backoff);
            continue;
        }
        NoteWhyRefused(device, error);
        RefusalWords(error, refusal_, sizeof refusal_);
        const OpenFailureText& text = FailureTextFor(error.row);
        if (quiet == Quiet::Yes) {
            std::snprintf(message_, sizeof message_, OpenFailureLogFormat, comNumber, error.code, text.log);
            log_.WriteLog(message_, LogKind::Plain, AsLine::No);
            return 0;
        }
        std::snprintf(message_, sizeof message_, OpenFailureDialogFormat, comNumber, error.code, text.dialog);
        // Retry tries once more at once; the back-off is spent by now.
        if (host_.ShowMessageBox(message_, BoxIcon::Question, BoxButtons::RetryCancel) != BoxAnswer::Retry) {
            return 0;
        }
    }

    refusal_[0] = '\0';
    TellRemark(quiet);
    ResetControlLines();
    ConfigurePort();
    PurgeTransmit();
    PurgeReceive();

    std::snprintf(message_, sizeof message_, "Opened COM%u - %s", comNumber, log_.StampText());
    log_.WriteLog(message_, LogKind::Plain, AsLine::Yes);
    return 1;
}

void SerialPort::TellRemark(Quiet quiet) {
    const char* remark = device_->OpenRemark();
    // Once is enough: every later open of the same server would only repeat it.
    if (remark[0] == '\0' || std::strcmp(remark, remarkTold_) == 0) return;
    CopyBounded(remarkTold_, remark, sizeof remarkTold_);
    // A scan shows no box; its remarks go where notes go.
    if (quiet == Quiet::Yes) {
        host_.ShowNote(remark);
    } else {
        host_.ShowMessageBox(remark, BoxIcon::Information, BoxButtons::Ok);
    }
}

void SerialPort::ClosePort() {
    if (!device_->IsOpen()) return;
    device_->Close();
    std::snprintf(message_, sizeof message_, "Closed COM%u - %s", SelectedPort + 1u, log_.StampText());
    log_.WriteLog(message_, LogKind::Plain, AsLine::Yes);
}

int SerialPort::EnsurePortOpen() {
    if (device_->IsOpen()) return 1;
    int selection = host_.PortSelection();
    if (selection < 0) {
        host_.ShowMessageBox("Please Select a Modem/COM-Port (COM?)", BoxIcon::Information, BoxButtons::Ok);
        return 0;
    }
    SelectedPort = static_cast<std::uint8_t>(selection & 0xFF);
    return OpenPort(Quiet::No) != 0 ? 1 : 0;
}

void SerialPort::PurgeReceive() {
    receive_.readPosition = 0;
    receive_.fillCount = 0;
    device_->PurgeInput();
}

void SerialPort::PurgeTransmit() { device_->PurgeOutput(); }

int SerialPort::WritePort(const std::uint8_t* data, std::uint32_t len) {
    ++writeToggle_;
    std::uint8_t* buffer = writeBuffers_[writeToggle_ % 2 == 1 ? 1 : 0];
    if (data == nullptr) len = 0;
    if (len > WriteBufferSize) len = WriteBufferSize;
    if (len > 0) std::memcpy(buffer, data, len);
    if (!device_->IsOpen()) return 0;

    QueryStatus();
    if (status_.cbOutQue != 0) {
        const Clock::time_point deadline = Clock::now() + milliseconds(DrainLimit);
        QueryStatus();
        while (status_.cbOutQue != 0) {
            const Clock::time_point now = Clock::now();
            if (std::uint32_t pause = DrainPause(status_.cbOutQue)) std::this_thread::sleep_for(milliseconds(pause));
            if (now >= deadline) return 0;
            QueryStatus();
        }
    }
    device_->StartWrite(buffer, len);
    return 1;
}

std::uint32_t SerialPort::ReadPort(std::uint8_t* buffer, std::uint32_t n) {
    return static_cast<std::uint32_t>(device_->Read(buffer, n, static_cast<int>(ReadWaitLimit)));
}

void SerialPort::QueryStatus() {
    QueueCounts counts = device_->QueryStatus();
    status_.errors = counts.errors;
    status_.cbInQue = counts.inQueue;
    status_.cbOutQue = counts.outQueue;
}

bool SerialPort::SetLineSpeed(std::uint32_t bitsPerSecond) {
    if (!IsLineSpeed(bitsPerSecond)) return false;
    lineSpeed_ = bitsPerSecond;
    return true;
}

void SerialPort::ConfigurePort() {
    if (device_->Configure(lineSpeed_) != 0) {
        // The second value is the settings call's own result, which is 0
        // whenever this box appears.
        // The handle is printed whole: a 64-bit handle cut to int could show
        // a value that was never the handle.
        std::snprintf(message_, sizeof message_, "SetCommState: hCommDev<%lld>,iCommResult<%i>",
                      static_cast<long long>(device_->HandleValue()), 0);
        host_.ShowMessageBox(message_, BoxIcon::Stop, BoxButtons::Ok);
    }
    QueryStatus();
    device_->Control(LineControl::SetDtr);
}

void SerialPort::ResetControlLines() {
    for (LineControl step : ResetBeforeBreak) device_->Control(step);
    PacedWait(host_, BreakHold);
    for (LineControl step : ResetAfterBreak) device_->Control(step);
}

void SerialPort::CloseQuietly() { device_->Close(); }

void SerialPort::NoteWhyRefused(const std::string& device, const OpenError& error) {
    const char* path = device.c_str();
    if (error.occupier == Occupier::Console) {
        std::snprintf(message_, sizeof message_, ConsoleNoteFormat, path);
    } else if (error.occupier == Occupier::Process && error.holderName[0] != '\0') {
        std::snprintf(message_, sizeof message_, HolderNoteFormat, path, error.holderName, error.holderPid);
    } else if (error.occupier == Occupier::Process && error.holderPid > 0) {
        std::snprintf(message_, sizeof message_, UnnamedHolderNoteFormat, path, error.holderPid);
    } else if (error.detail[0] != '\0') {
        std::snprintf(message_, sizeof message_, "%s", error.detail);
    } else if (error.row == OpenErrorRow::AccessDenied && error.group[0] != '\0') {
        std::snprintf(message_, sizeof message_, GroupNoteFormat, path, error.group, error.group);
    } else {
        return;
    }
    host_.ShowNote(message_);
}

}  // namespace quillfen
