// SPDX-License-Identifier: MIT
// Log files on Windows, with the C runtime's low-level calls, judged by
// _fstat on the open file: a device (NUL, CON) or a pipe is refused, and a
// directory cannot be opened at all.
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "cli/log_file_reader.h"

namespace quillfen::cli {

namespace {

FileKind KindOf(unsigned short mode) {
    switch (mode & _S_IFMT) {
        case _S_IFREG: return FileKind::Regular;
        case _S_IFDIR: return FileKind::Directory;
        case _S_IFIFO: return FileKind::Fifo;
        case _S_IFCHR: return FileKind::Device;
        default: return FileKind::Other;
    }
}

}  // namespace

OpenedFile OpenWithoutBlocking(const std::string& path) {
    OpenedFile file;
    file.fd = ::_open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    struct _stat64 info {};
    if (file.fd >= 0 && ::_fstat64(file.fd, &info) == 0) {
        file.kind = KindOf(info.st_mode);
        file.size = static_cast<std::uint64_t>(info.st_size);
        return file;
    }
    file.errorNumber = errno;
    if (file.fd >= 0) ::_close(file.fd);
    file.fd = -1;
    return file;
}

long long ReadSome(int fd, char* buffer, std::size_t size, int& errorNumber) {
    const unsigned chunk = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<unsigned>(size);
    const int got = ::_read(fd, buffer, chunk);
    if (got < 0) errorNumber = errno;
    return got;
}

void CloseFile(int fd) { ::_close(fd); }

}  // namespace quillfen::cli
