// SPDX-License-Identifier: MIT
// The session log's file calls on Windows: the C runtime's low-level file
// functions, binary, so the CR LF pairs of the entries are stored as they are.
#include <direct.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <fcntl.h>

#include "log/log_file.h"

namespace quillfen {

const char LogPathSeparator = '\\';

CreateOutcome CreateLogFile(const char* name, int& fd) {
    // _O_EXCL: a file another program created under the chosen name while
    // the start-up message was up is never truncated.
    fd = ::_open(name, _O_RDWR | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd >= 0) return CreateOutcome::Created;
    return errno == EEXIST ? CreateOutcome::NameTaken : CreateOutcome::Failed;
}

bool LogNameTaken(const char* name) {
    if (::_access(name, 0) == 0) return true;
    return errno != ENOENT;
}

std::size_t WriteLogFile(int fd, const char* data, std::size_t length, int& errorNumber) {
    std::size_t done = 0;
    errorNumber = 0;
    while (done < length) {
        std::size_t left = length - done;
        unsigned chunk = left > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<unsigned>(left);
        int written = ::_write(fd, data + done, chunk);
        if (written < 0) errorNumber = errno;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    return done;
}

void CloseLogFile(int fd) { ::_close(fd); }

bool CurrentDirectory(char* text, std::size_t limit) {
    if (limit > 0 && limit <= static_cast<std::size_t>(INT_MAX) && ::_getcwd(text, static_cast<int>(limit))) return true;
    if (limit > 0) text[0] = '\0';
    return false;
}

bool LocalTime(std::time_t now, std::tm& local) { return ::localtime_s(&local, &now) == 0; }

}  // namespace quillfen
