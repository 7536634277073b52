// SPDX-License-Identifier: MIT
#include "log/session_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <limits>

#include "log/log_file.h"

namespace quillfen {

namespace {

// The furthest position a pane is told: past it every entry still goes at
// the pane's end, where a wrapped count would put it at the beginning.
constexpr std::uint64_t PanePositionLimit = std::numeric_limits<std::int32_t>::max();

constexpr char InPrefix[] = "IN : ";
constexpr char OutPrefix[] = "OUT: ";
constexpr std::size_t LineTextLimit = LogLineBufferSize - 3;  // room for CR LF and NUL

constexpr const char* WeekdayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* MonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                      "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

constexpr char StartupMessageFormat[] =
    "There will be a visual log of all events. You can use the [Edit] commands to copy from this log "
    "and paste into other applications such as email, etc.\n\nIn addition to the visual log, there "
    "will be a log file called:\n%s%c%s\ncreated.  This text file can be referenced at any time in "
    "the future with any text editor or word processor.";
// When every name is taken the message says so instead of announcing one.
constexpr char AllNamesTakenFormat[] =
    "There will be a visual log of all events. You can use the [Edit] commands to copy from this log "
    "and paste into other applications such as email, etc.\n\nModem001.txt to Modem999.txt all exist "
    "in:\n%s\nso no log file will be written this time. Move old logs elsewhere to have one written again.";
constexpr char RealNameFormat[] =
    "The log file is %s%c%s, not the name given above: another program created that name first.";
constexpr char FileIncompleteFormat[] =
    "The log file %s%c%s is incomplete: writing to it failed after %lld bytes (%s).\n"
    "The visual log goes on and holds everything; copy it from there.";
constexpr char CannotCreateFormat[] = "Can not create:\n%s\nIs the path valid?\nIs your HardDrive full?";
constexpr char HeaderFormat[] = "Log of Modem Commands and Responses%s%s %s%s";

// Twenty lines, 684 characters: who we are, how to read the log, and the rule
// that opens the results.
constexpr char Banner[] =
    "Quillfen - modem and fax modem analyser\r\n"
    "Copyright (C) the Quillfen developers. All rights reserved.\r\n"
    "Telephone: see the Quillfen project page for support hours\r\n"
    "E-mail:    use the contact page of the Quillfen project\r\n"
    "Web site:  the Quillfen project home page\r\n"
    "\r\n"
    "How to read this log:\r\n"
    "Lines that begin with \"OUT: \" are what Quillfen says to the modem.\r\n"
    "Lines that begin with \"IN : \" are the modem's answers.\r\n"
    "\r\n"
    "A positive answer looks like this:\r\n"
    "    OUT: AT\r\n"
    "    IN : OK\r\n"
    "A negative answer looks like this:\r\n"
    "    OUT: AT+FCLASS=3\r\n"
    "    IN : ERROR\r\n"
    "\r\n"
    "Most commands are echoed back by the modem before it answers.\r\n"
    "=============== Modem interrogation results follow ===============\r\n"
    "\r\n";
static_assert(sizeof(Banner) - 1 == 684, "the banner is 684 characters");

}  // namespace

char* CopyBounded(char* destination, const char* source, std::size_t n) {
    if (!destination) return nullptr;
    if (!source || n <= 1) {
        destination[0] = '\0';
        return destination;
    }
    std::size_t i = 0;
    for (; i + 1 < n && source[i] != '\0'; ++i) destination[i] = source[i];
    destination[i] = '\0';
    return destination;
}

char* AppendBounded(char* destination, const char* text, std::size_t n) {
    if (!destination) return nullptr;
    std::size_t length = std::strlen(destination);
    if (!text || text[0] == '\0' || length + 1 >= n) return destination;
    std::size_t i = 0;
    for (; length + i + 1 < n && text[i] != '\0'; ++i) destination[length + i] = text[i];
    destination[length + i] = '\0';
    return destination;
}

SessionLog::SessionLog(Host& host) : host_(host) {}

SessionLog::~SessionLog() {
    if (logFile_ >= 0) CloseLogFile(logFile_);
}

int SessionLog::WriteLog(const char* text, LogKind kind, AsLine asLine) {
    if (asLine == AsLine::Yes) {
        std::memset(logLineBuffer_, 0, sizeof logLineBuffer_);
        if (kind == LogKind::In) {
            std::memcpy(logLineBuffer_, InPrefix, sizeof InPrefix);
        } else if (kind == LogKind::Out) {
            std::memcpy(logLineBuffer_, OutPrefix, sizeof OutPrefix);
        }
        AppendBounded(logLineBuffer_, text, LineTextLimit);
        // Behind the text the buffer holds only zeros, so the first line end
        // can only stand before the terminating NUL.
        logLineBuffer_[std::strcspn(logLineBuffer_, "\r\n")] = '\0';
        AppendBounded(logLineBuffer_, "\r\n", LogLineBufferSize);
    } else {
        // Cut to fit: a verbatim text can never run past the buffer.
        CopyBounded(logLineBuffer_, text, LogLineBufferSize);
    }

    const std::size_t length = std::strlen(logLineBuffer_);
    const auto panePosition = static_cast<std::int32_t>(logLength_ < PanePositionLimit ? logLength_ : PanePositionLimit);
    host_.InsertLogText(panePosition, std::string_view(logLineBuffer_, length));
    // After a failed write the file is left as it is, so it stays the log's
    // exact beginning instead of one with a piece missing in the middle.
    if (logFile_ >= 0 && !fileFailed_) {
        int errorNumber = 0;
        std::size_t taken = WriteLogFile(logFile_, logLineBuffer_, length, errorNumber);
        fileBytes_ += static_cast<long long>(taken);
        if (taken < length) NoteFileFailure(errorNumber);
    }
    logLength_ += length;
    return 1;
}

const char* SessionLog::StampText() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (!LocalTime(now, local)) {
        scratch_[0] = '\0';
        return scratch_;
    }
    // Our own format rather than asctime: the day always has two digits and
    // the names stay English whatever the locale.
    std::snprintf(scratch_, sizeof scratch_, "%s %s %02d %02d:%02d:%02d %d\n",
                  WeekdayNames[(local.tm_wday % 7 + 7) % 7], MonthNames[(local.tm_mon % 12 + 12) % 12],
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, local.tm_year + 1900);
    return scratch_;
}

void SessionLog::NoteFileFailure(int number) {
    if (fileFailed_) return;
    fileFailed_ = true;
    CopyBounded(failureText_, number != 0 ? std::strerror(number) : "the file took no more bytes",
                sizeof failureText_);
}

void SessionLog::ReportFileFailure() {
    if (!fileFailed_ || failureReported_) return;
    failureReported_ = true;
    char message[1024];
    std::snprintf(message, sizeof message, FileIncompleteFormat, directory_, LogPathSeparator, fileName_, fileBytes_,
                  failureText_);
    host_.ShowMessageBox(message, BoxIcon::Stop, BoxButtons::Ok);
}

void SessionLog::OpenSessionLog(FileNotes notes) {
    auto note = [&](const char* text, BoxIcon icon) {
        if (notes == FileNotes::Boxes) host_.ShowMessageBox(text, icon, BoxButtons::Ok);
    };
    CurrentDirectory(scratch_, CwdLimit);
    CopyBounded(directory_, scratch_, sizeof directory_);

    unsigned number = 1;
    for (; number <= LastLogFileNumber; ++number) {
        std::snprintf(fileName_, sizeof fileName_, "Modem%03u.txt", number);
        if (!LogNameTaken(fileName_)) break;
    }
    const unsigned announced = number;

    char message[1024];
    if (announced > LastLogFileNumber) {
        std::snprintf(message, sizeof message, AllNamesTakenFormat, scratch_);
    } else {
        std::snprintf(message, sizeof message, StartupMessageFormat, scratch_, LogPathSeparator, fileName_);
    }
    note(message, BoxIcon::Information);

    logFile_ = -1;
    fileProblem_[0] = '\0';
    // Another program may take the name while the message is up; then the
    // next free number is used. A full set of 999 logs is never reused.
    while (number <= LastLogFileNumber) {
        const CreateOutcome created = CreateLogFile(fileName_, logFile_);
        if (created == CreateOutcome::Failed) {
            std::snprintf(fileProblem_, sizeof fileProblem_, "cannot create %.32s: %.200s", fileName_,
                          std::strerror(errno));
        }
        if (created != CreateOutcome::NameTaken) break;
        for (++number; number <= LastLogFileNumber; ++number) {
            std::snprintf(fileName_, sizeof fileName_, "Modem%03u.txt", number);
            if (!LogNameTaken(fileName_)) break;
        }
    }
    if (number > LastLogFileNumber) {
        std::snprintf(fileProblem_, sizeof fileProblem_, "all names from Modem001.txt to Modem%03u.txt are taken",
                      LastLogFileNumber);
    }
    if (logFile_ >= 0 && number != announced) {
        std::snprintf(message, sizeof message, RealNameFormat, scratch_, LogPathSeparator, fileName_);
        note(message, BoxIcon::Information);
    }
    // With every name taken the start-up message has already said there is
    // no file; the cannot-create box would only blame the disk.
    if (logFile_ < 0 && announced <= LastLogFileNumber) {
        std::snprintf(message, sizeof message, CannotCreateFormat, fileName_);
        note(message, BoxIcon::Stop);
    }

    char line[256];
    std::snprintf(line, sizeof line, HeaderFormat, "\r\n", ProductName.data(), ProductVersion.data(), "\r\n");
    WriteLog(line, LogKind::Plain, AsLine::No);
    std::snprintf(line, sizeof line, "Start Session - %s", StampText());
    WriteLog(line, LogKind::Plain, AsLine::Yes);
    WriteLog(Banner, LogKind::Plain, AsLine::No);
}

void SessionLog::CloseSessionLog() {
    if (logFile_ >= 0) {
        char line[256];
        std::snprintf(line, sizeof line, "End Session - %s", StampText());
        WriteLog(line, LogKind::Plain, AsLine::Yes);
        CloseLogFile(logFile_);
    }
    logFile_ = -1;
}

}  // namespace quillfen
