// SPDX-License-Identifier: MIT
// Log files on a POSIX system. Anything but a regular file is refused
// before it is opened, so no device is touched (a tty's open would raise
// its control lines); the open itself is non-blocking and judged again by
// fstat, so a FIFO put in the file's place meanwhile cannot hang it either.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "cli/log_file_reader.h"

namespace quillfen::cli {

namespace {

FileKind KindOf(mode_t mode) {
    if (S_ISREG(mode)) return FileKind::Regular;
    if (S_ISDIR(mode)) return FileKind::Directory;
    if (S_ISFIFO(mode)) return FileKind::Fifo;
    if (S_ISCHR(mode) || S_ISBLK(mode)) return FileKind::Device;
    return FileKind::Other;
}

}  // namespace

OpenedFile OpenWithoutBlocking(const std::string& path) {
    OpenedFile file;
    struct stat named {};
    if (::stat(path.c_str(), &named) == 0 && KindOf(named.st_mode) != FileKind::Regular) {
        file.kind = KindOf(named.st_mode);
        return file;
    }
    file.fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    struct stat info {};
    if (file.fd >= 0 && ::fstat(file.fd, &info) == 0) {
        file.kind = KindOf(info.st_mode);
        file.size = static_cast<std::uint64_t>(info.st_size);
        return file;
    }
    file.errorNumber = errno;
    if (file.fd >= 0) ::close(file.fd);
    file.fd = -1;
    return file;
}

long long ReadSome(int fd, char* buffer, std::size_t size, int& errorNumber) {
    while (true) {
        const ssize_t got = ::read(fd, buffer, size);
        if (got >= 0) return got;
        if (errno != EINTR) break;
    }
    errorNumber = errno;
    return -1;
}

void CloseFile(int fd) { ::close(fd); }

}  // namespace quillfen::cli
