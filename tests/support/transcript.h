// SPDX-License-Identifier: MIT
// Reads a quillfen-modemsim transcript back into the bytes of one
// direction, with their \r, \n, \\ and \xHH escapes undone.
#pragma once

#include <cctype>
#include <string>

namespace quillfen::test {

inline bool IsTranscript(const std::string& content) {
    return content.compare(0, 2, "< ") == 0 || content.compare(0, 2, "> ") == 0 ||
           content.compare(0, 19, "# quillfen-modemsim") == 0;
}

// The bytes of one direction of a transcript: '<' what the modem was sent,
// '>' what it sent.
inline std::string TranscriptBytes(const std::string& transcript, char direction) {
    std::string bytes;
    std::size_t at = 0;
    while (at < transcript.size()) {
        std::size_t end = transcript.find('\n', at);
        if (end == std::string::npos) end = transcript.size();
        if (end - at >= 2 && transcript[at] == direction && transcript[at + 1] == ' ') {
            for (std::size_t i = at + 2; i < end; ++i) {
                char c = transcript[i];
                if (c != '\\' || i + 1 >= end) {
                    bytes.push_back(c);
                    continue;
                }
                char escape = transcript[++i];
                if (escape == 'r') {
                    bytes.push_back('\r');
                } else if (escape == 'n') {
                    bytes.push_back('\n');
                } else if (escape == 'x' && i + 2 < end &&
                           std::isxdigit(static_cast<unsigned char>(transcript[i + 1])) &&
                           std::isxdigit(static_cast<unsigned char>(transcript[i + 2]))) {
                    bytes.push_back(static_cast<char>(std::stoi(transcript.substr(i + 1, 2), nullptr, 16)));
                    i += 2;
                } else {
                    bytes.push_back(escape);
                }
            }
        }
        at = end + 1;
    }
    return bytes;
}

inline std::string ModemBytes(const std::string& transcript) { return TranscriptBytes(transcript, '>'); }

}  // namespace quillfen::test
