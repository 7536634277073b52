// SPDX-License-Identifier: MIT
// The Windows half of the shared fixtures: a fresh directory under %TEMP%.
#include <windows.h>

#include <stdexcept>

#include "support/fixtures.h"

namespace quillfen::test {

TempDir::TempDir() {
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

}  // namespace quillfen::test
