// SPDX-License-Identifier: MIT
// The session log's file calls on a POSIX system.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "log/log_file.h"

namespace quillfen {

const char LogPathSeparator = '/';

CreateOutcome CreateLogFile(const char* name, int& fd) {
    // O_NOFOLLOW: a dangling link of the chosen name is refused, not followed.
    fd = ::open(name, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, S_IRUSR | S_IWUSR);
    if (fd >= 0) return CreateOutcome::Created;
    return errno == EEXIST ? CreateOutcome::NameTaken : CreateOutcome::Failed;
}

bool LogNameTaken(const char* name) {
    struct stat info;
    return ::lstat(name, &info) == 0 || errno != ENOENT;
}

std::size_t WriteLogFile(int fd, const char* data, std::size_t length, int& errorNumber) {
    std::size_t done = 0;
    errorNumber = 0;
    while (done < length) {
        ssize_t written = ::write(fd, data + done, length - done);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) errorNumber = errno;
        if (written <= 0) break;
        done += static_cast<std::size_t>(written);
    }
    return done;
}

void CloseLogFile(int fd) { ::close(fd); }

bool CurrentDirectory(char* text, std::size_t limit) {
    if (::getcwd(text, limit)) return true;
    if (limit > 0) text[0] = '\0';
    return false;
}

bool LocalTime(std::time_t now, std::tm& local) { return ::localtime_r(&now, &local) != nullptr; }

}  // namespace quillfen
