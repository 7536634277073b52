// SPDX-License-Identifier: MIT
#include "cli/log_file_reader.h"

#include <cstring>
#include <string_view>

namespace quillfen::cli {

namespace {

struct KindName {
    FileKind kind;
    std::string_view name;
};
constexpr KindName KindNames[] = {
    {FileKind::Directory, "a directory"},
    {FileKind::Fifo, "a FIFO"},
    {FileKind::Device, "a device"},
};

std::string_view NameOf(FileKind kind) {
    for (const KindName& row : KindNames)
        if (row.kind == kind) return row.name;
    return "not a regular file";
}

// Why the open file cannot be read, or nothing when it was read whole.
std::string ReadWhole(const OpenedFile& file, std::string& bytes) {
    if (file.kind != FileKind::Regular) return std::string(NameOf(file.kind)) + ", not a log file";
    const std::string_view tooLarge = "larger than 1 GiB, which no session log is";
    if (file.size > LogFileReadLimit) return std::string(tooLarge);
    bytes.reserve(static_cast<std::size_t>(file.size));
    char chunk[65536];
    while (true) {
        int errorNumber = 0;
        const long long got = ReadSome(file.fd, chunk, sizeof chunk, errorNumber);
        if (got < 0) return std::strerror(errorNumber);
        if (got == 0) return {};
        // A file that grows while it is read is still cut off at the limit.
        if (bytes.size() + static_cast<std::size_t>(got) > LogFileReadLimit) return std::string(tooLarge);
        bytes.append(chunk, static_cast<std::size_t>(got));
    }
}

}  // namespace

bool ReadLogFile(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    const OpenedFile file = OpenWithoutBlocking(path);
    std::string reason = file.errorNumber != 0 ? std::strerror(file.errorNumber) : ReadWhole(file, bytes);
    if (file.fd >= 0) CloseFile(file.fd);
    if (reason.empty()) return true;
    std::string().swap(bytes);
    error = "cannot read " + path + ": " + reason;
    return false;
}

}  // namespace quillfen::cli
