// SPDX-License-Identifier: MIT
// A record of everything that crossed the simulated line, for a human to
// read and a tool to parse back. One record per chunk, one line per record:
//   "< " bytes received from the program
//   "> " bytes sent to the program
//   "# " a remark of the simulator's own (start, hang-up, exit)
// Bytes are escaped as C does: \r \n \\ and \xHH (always two hex digits) for
// anything outside printable ASCII, so a record never spans two lines.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace quillfen::modemsim {

std::string EscapeBytes(std::string_view bytes);

class Transcript {
public:
    Transcript() = default;
    ~Transcript();
    Transcript(const Transcript&) = delete;
    Transcript& operator=(const Transcript&) = delete;

    // Without a successful Open every record is dropped.
    bool Open(const std::string& path, std::string& error);

    void Received(std::string_view bytes) { Record("< ", EscapeBytes(bytes)); }
    void Sent(std::string_view bytes) { Record("> ", EscapeBytes(bytes)); }
    void Remark(std::string_view text) { Record("# ", text); }

private:
    void Record(std::string_view mark, std::string_view text);

    std::FILE* file_ = nullptr;
    bool failed_ = false;
};

}  // namespace quillfen::modemsim
