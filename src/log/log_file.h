// SPDX-License-Identifier: MIT
// The few file, clock and directory calls the session log needs, one
// implementation per platform (posix/, win32/). A log file is a low-level
// descriptor: -1 when none is open. Creation is always exclusive, so an
// existing file, directory or link is never opened, followed or truncated.
#pragma once

#include <cstddef>
#include <ctime>

namespace quillfen {

// The separator between the directory and the file name shown to the user.
extern const char LogPathSeparator;

enum class CreateOutcome { Created, NameTaken, Failed };

// Creates name for reading and writing, binary, owner-only where that means
// something. On Created, fd holds the descriptor; otherwise fd is -1, and on
// Failed errno says why.
CreateOutcome CreateLogFile(const char* name, int& fd);

// True when anything at all answers to name, or when it cannot be told.
bool LogNameTaken(const char* name);

// Hands every byte to the file; a short write is continued. Returns how many
// bytes the file took; when that is fewer than length, errorNumber holds the
// platform's error (0 when the file simply took nothing more).
std::size_t WriteLogFile(int fd, const char* data, std::size_t length, int& errorNumber);

void CloseLogFile(int fd);

// The current directory in at most limit bytes with its NUL; false (and an
// empty text) when it does not fit or cannot be read.
bool CurrentDirectory(char* text, std::size_t limit);

// The local time of now; false when the platform cannot convert it.
bool LocalTime(std::time_t now, std::tm& local);

}  // namespace quillfen
