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

void WriteLogFile(int fd, const char* data, std::size_t length) {
    while (length > 0) {
        ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += written;
        length -= static_cast<std::size_t>(written);
    }
}

void CloseLogFile(int fd) { ::close(fd); }

bool CurrentDirectory(char* text, std::size_t limit) {
    if (::getcwd(text, limit)) return true;
    if (limit > 0) text[0] = '\0';
    return false;
}

bool LocalTime(std::time_t now, std::tm& local) { return ::localtime_r(&now, &local) != nullptr; }

}  // namespace quillfen
