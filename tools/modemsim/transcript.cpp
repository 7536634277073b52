// SPDX-License-Identifier: MIT
#include "transcript.h"

#include <cerrno>
#include <cstring>

namespace quillfen::modemsim {

std::string EscapeBytes(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (char c : bytes) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '\r') {
            text += "\\r";
        } else if (byte == '\n') {
            text += "\\n";
        } else if (byte == '\\') {
            text += "\\\\";
        } else if (byte >= 0x20 && byte < 0x7F) {
            text.push_back(c);
        } else {
            text += "\\x";
            text.push_back(kHex[byte >> 4]);
            text.push_back(kHex[byte & 0x0F]);
        }
    }
    return text;
}

Transcript::~Transcript() {
    if (file_) std::fclose(file_);
}

bool Transcript::Open(const std::string& path, std::string& error) {
    file_ = std::fopen(path.c_str(), "w");
    if (!file_) {
        error = "cannot write the transcript " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

// Flushed record by record: a transcript is read while the simulator runs,
// and it must be whole when the simulator is killed.
void Transcript::Record(std::string_view mark, std::string_view text) {
    if (!file_ || failed_) return;
    bool written = std::fwrite(mark.data(), 1, mark.size(), file_) == mark.size() &&
                   std::fwrite(text.data(), 1, text.size(), file_) == text.size() &&
                   std::fputc('\n', file_) != EOF && std::fflush(file_) == 0;
    if (!written) {
        failed_ = true;
        std::fprintf(stderr, "quillfen-modemsim: writing the transcript failed: %s; it ends here\n",
                     std::strerror(errno));
    }
}

}  // namespace quillfen::modemsim
