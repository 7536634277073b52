// SPDX-License-Identifier: MIT
// Reading a finished session log back for the report. Only a regular file is
// read, and only up to LogFileReadLimit bytes: a device that never ends
// (/dev/zero), a FIFO with no writer or a huge file is refused at once,
// never waited on or read into memory. Opening never blocks. The platform
// half (posix/, win32/) opens, judges and reads the file; the rest is shared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillfen::cli {

// Far above the log of any session; a file past it is not one.
inline constexpr std::uint64_t LogFileReadLimit = std::uint64_t{1} << 30;

// The whole log in bytes; false with one line naming path and the reason.
bool ReadLogFile(const std::string& path, std::string& bytes, std::string& error);

// The platform half.
enum class FileKind { Regular, Directory, Fifo, Device, Other };
struct OpenedFile {
    int fd = -1;          // -1 when it was refused unopened or could not be opened
    int errorNumber = 0;  // the platform's error when it could not be opened
    FileKind kind = FileKind::Other;
    std::uint64_t size = 0;
};
// Tells what path is and opens it for reading, never waiting for a writer;
// a platform may leave what is plainly no regular file unopened.
OpenedFile OpenWithoutBlocking(const std::string& path);
// Up to size bytes; 0 at the end; -1 on failure, with errorNumber set.
long long ReadSome(int fd, char* buffer, std::size_t size, int& errorNumber);
void CloseFile(int fd);

}  // namespace quillfen::cli
