// SPDX-License-Identifier: MIT
// Fixtures for the Windows test programs: a temporary directory the test
// may make current, file reading, and the COM ports the Wine harness has
// linked to simulators for this run.
#pragma once

#include <string>

namespace quillfen::test {

// A fresh directory under %TEMP%, removed with its contents at the end.
class WinTempDir {
public:
    WinTempDir();
    ~WinTempDir();
    WinTempDir(const WinTempDir&) = delete;
    WinTempDir& operator=(const WinTempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

// Makes a directory current for the life of the object.
class WinScopedChdir {
public:
    explicit WinScopedChdir(const std::string& dir);
    ~WinScopedChdir();
    WinScopedChdir(const WinScopedChdir&) = delete;
    WinScopedChdir& operator=(const WinScopedChdir&) = delete;

private:
    std::string previous_;
};

std::string ReadWholeFile(const std::string& path);

// The COM number named by an environment variable the harness sets
// (QUILLFEN_TEST_MODEM_COM: a simulated modem; QUILLFEN_TEST_MISSING_COM:
// a number with nothing behind it); 0 when it is not set.
unsigned ComFromEnvironment(const char* variable);

}  // namespace quillfen::test
