// SPDX-License-Identifier: MIT
// The simulator's command line: what it accepts and its usage text.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "modem_tables.h"

namespace quillfen::modemsim {

struct Options {
    const Profile* profile = nullptr;
    std::string link;
    unsigned baud = 0;  // 0: no pacing
    bool noise = false;
    std::optional<std::uint32_t> seed;
    unsigned hangupAfter = 0;  // 0: never
    std::string transcript;
    bool help = false;
    bool version = false;
    bool listProfiles = false;  // one profile name a line, for shell completion
};

// False with a one-line error for anything it does not understand.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error);

std::string UsageText();

}  // namespace quillfen::modemsim
