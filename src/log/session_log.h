// SPDX-License-Identifier: MIT
// The session log: the one writer of the log, to the pane and to the file.
// Owns the numbered log file ModemNNN.txt in the current directory for the
// whole run. Each entry is built in one fixed buffer and written with a single
// unbuffered write, so the file holds an entry as soon as WriteLog returns.
// The pane (through the host) and the file receive identical bytes; when a
// write to the file fails, the file keeps what it holds (an exact beginning
// of the log, never one with a gap), the pane goes on, and the failure is
// reported to the user once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "host/host.h"

namespace quillfen {

enum class LogKind : std::uint16_t { Plain = 0, In = 1, Out = 2 };

// How WriteLog takes its text: Yes makes one prefixed line of it, cut at its
// first CR or LF and ended by CR LF; No writes it as it stands.
enum class AsLine : int { No = 0, Yes = 1 };

// Who tells the user where the log file is: the log, in boxes at start-up
// (a window); or the front end, in its own words, once start-up is over.
enum class FileNotes { Boxes, FrontEnd };

inline constexpr std::size_t LogLineBufferSize = 5120;
inline constexpr std::size_t ScratchTextSize = 256;
inline constexpr std::size_t CwdLimit = 166;
inline constexpr unsigned LastLogFileNumber = 999;

// Copy at most n - 1 characters of source and terminate. Never writes more
// than n bytes; a limit of 0 behaves like 1.
char* CopyBounded(char* destination, const char* source, std::size_t n);
// Append text so the destination holds at most n - 1 characters, terminated.
char* AppendBounded(char* destination, const char* text, std::size_t n);

class SessionLog {
public:
    explicit SessionLog(Host& host);
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    int WriteLog(const char* text, LogKind kind, AsLine asLine);

    // Start-up message, log file, header, start line and banner.
    void OpenSessionLog(FileNotes notes = FileNotes::Boxes);
    // End line and close, only when a file is open.
    void CloseSessionLog();

    // Local time as "Www Mmm DD hh:mm:ss YYYY\n", English names, in the
    // scratch text. Valid until the next call.
    const char* StampText();

    // Tells the user, once, that the log file is incomplete, if a write to it
    // has failed. Call it where a message box may run (not inside WriteLog).
    void ReportFileFailure();
    // A write to the log file failed: the file ends before the log does.
    bool FileIncomplete() const { return fileFailed_; }

    // Characters written since start-up: it only grows, however long the
    // session, and the pane is handed it as a position cut to what a pane
    // can address, never wrapped.
    std::uint64_t LogLength() const { return logLength_; }
    int LogFile() const { return logFile_; }
    // Relative name of the log file (the last name tried when creation failed).
    const char* FileName() const { return fileName_; }
    // Why the session has no log file, in a few words; empty when it has one.
    const char* FileProblem() const { return fileProblem_; }

private:
    Host& host_;
    char logLineBuffer_[LogLineBufferSize] = {};
    std::uint64_t logLength_ = 0;
    int logFile_ = -1;
    void NoteFileFailure(int number);

    char scratch_[ScratchTextSize] = {};
    char fileName_[ScratchTextSize] = {};
    char directory_[CwdLimit] = {};
    bool fileFailed_ = false;
    bool failureReported_ = false;
    long long fileBytes_ = 0;       // bytes the file holds
    char failureText_[ScratchTextSize] = {};
    char fileProblem_[ScratchTextSize] = {};
};

}  // namespace quillfen
