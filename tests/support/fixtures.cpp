// SPDX-License-Identifier: MIT
// The portable half of the shared fixtures; the per-system halves under
// posix/ and win32/ make the temporary directory and run the simulator.
#include "support/fixtures.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace quillfen::test {

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

ScopedChdir::ScopedChdir(const std::string& dir) {
    previous_ = std::filesystem::current_path().string();
    std::filesystem::current_path(dir);
}

ScopedChdir::~ScopedChdir() {
    std::error_code ignored;
    std::filesystem::current_path(previous_, ignored);
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::string MaskStamps(const std::string& log) {
    static const std::regex stamp(
        "(Sun|Mon|Tue|Wed|Thu|Fri|Sat) [A-Z][a-z]{2} [0-9]{2} "
        "[0-9]{2}:[0-9]{2}:[0-9]{2} [0-9]{4}");
    return std::regex_replace(log, stamp, "<stamp>");
}

void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::size_t CountOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

unsigned ComFromEnvironment(const char* variable) {
    const char* text = std::getenv(variable);
    if (!text) return 0;
    char* end = nullptr;
    unsigned long number = std::strtoul(text, &end, 10);
    return (end != text && *end == '\0' && number >= 1 && number <= 256) ? static_cast<unsigned>(number) : 0;
}

}  // namespace quillfen::test
