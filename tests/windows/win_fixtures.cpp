// SPDX-License-Identifier: MIT
#include "windows/win_fixtures.h"

#include <windows.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace quillfen::test {

namespace fs = std::filesystem;

WinTempDir::WinTempDir() {
    char base[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof base, base);
    if (length == 0 || length > MAX_PATH) throw std::runtime_error("no temporary directory");
    for (unsigned attempt = 0; attempt < 1000; ++attempt) {
        std::string candidate = std::string(base) + "quillfen-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                                std::to_string(GetTickCount64()) + "-" + std::to_string(attempt);
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary directory");
}

WinTempDir::~WinTempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

WinScopedChdir::WinScopedChdir(const std::string& dir) {
    std::error_code ec;
    previous_ = fs::current_path(ec).string();
    fs::current_path(dir);
}

WinScopedChdir::~WinScopedChdir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

unsigned ComFromEnvironment(const char* variable) {
    const char* text = std::getenv(variable);
    if (!text) return 0;
    char* end = nullptr;
    unsigned long number = std::strtoul(text, &end, 10);
    return (end != text && *end == '\0' && number >= 1 && number <= 256) ? static_cast<unsigned>(number) : 0;
}

}  // namespace quillfen::test
