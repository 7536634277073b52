// SPDX-License-Identifier: MIT
// Test fixtures shared by every module's tests, native and Windows: a
// temporary directory that the test may make current, file reading, and
// (on POSIX systems) a running quillfen-modemsim on a real pty.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace quillfen::test {

// A fresh directory under $TMPDIR, removed with its contents at the end.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// Makes a directory current for the life of the object.
class ScopedChdir {
public:
    explicit ScopedChdir(const std::string& dir);
    ~ScopedChdir();
    ScopedChdir(const ScopedChdir&) = delete;
    ScopedChdir& operator=(const ScopedChdir&) = delete;

private:
    std::string previous_;
};

std::string ReadFile(const std::string& path);
// A log with every time stamp replaced by "<stamp>", to hold against a golden one.
std::string MaskStamps(const std::string& log);
void WriteFile(const std::string& path, const std::string& bytes);
// How often needle stands in text, without overlaps.
std::size_t CountOf(const std::string& text, const std::string& needle);
// The COM number named by an environment variable the Wine harness sets
// (QUILLFEN_TEST_MODEM_COM: a simulated modem; QUILLFEN_TEST_MISSING_COM:
// a number with nothing behind it); 0 when it is not set.
unsigned ComFromEnvironment(const char* variable);

// quillfen-modemsim started with the given arguments (POSIX only). The constructor waits
// until the simulator has printed its pty path.
class ModemSim {
public:
    explicit ModemSim(const std::vector<std::string>& args = {"--profile", "fax"});
    ~ModemSim();
    ModemSim(const ModemSim&) = delete;
    ModemSim& operator=(const ModemSim&) = delete;

    const std::string& Device() const { return device_; }
    pid_t Pid() const { return pid_; }
    // Stops the simulator and waits for it; returns its exit status.
    int Stop();

private:
    pid_t pid_ = -1;
    std::string device_;
};

}  // namespace quillfen::test
