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
// something. On Created, fd holds the descriptor; otherwise fd is -1.
CreateOutcome CreateLogFile(const char* name, int& fd);

// True when anything at all answers to name, or when it cannot be told.
bool LogNameTaken(const char* name);

// Hands every byte to the file; a short write is continued. A failed write
// is dropped: the log goes on in the pane.
void WriteLogFile(int fd, const char* data, std::size_t length);

void CloseLogFile(int fd);

// The current directory in at most limit bytes with its NUL; false (and an
// empty text) when it does not fit or cannot be read.
bool CurrentDirectory(char* text, std::size_t limit);

// The local time of now; false when the platform cannot convert it.
bool LocalTime(std::time_t now, std::tm& local);

}  // namespace quillfen
