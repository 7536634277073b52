// SPDX-License-Identifier: MIT
// What the checks before every open cost: the console list, the look
// through every process's open files and the lock file, measured as the
// open and close of a free pty. Once against this machine's /proc, once
// against a fake one of 500 processes with 40 descriptors each, every one a
// device link that has to be looked at. Prints one line.
#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "serial/pty_pair.h"
#include "serial/local_device.h"
#include "support/fixtures.h"

namespace {

using Clock = std::chrono::steady_clock;

double MedianOpenMs(quillfen::LocalDevice& device, const std::string& path, const quillfen::DeviceRoots& roots,
                    int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        quillfen::OpenError error;
        auto start = Clock::now();
        bool opened = device.Open(path, error, roots);
        device.Close();
        std::chrono::duration<double, std::milli> took = Clock::now() - start;
        if (!opened) return -1;
        times.push_back(took.count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Processes and descriptors this machine's /proc shows us.
void CountMachine(int& processes, int& descriptors) {
    processes = 0;
    descriptors = 0;
    std::error_code ec;
    for (std::filesystem::directory_iterator it("/proc", ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        ++processes;
        std::error_code fdError;
        for (std::filesystem::directory_iterator fd(it->path() / "fd", fdError), fdEnd; !fdError && fd != fdEnd;
             fd.increment(fdError)) {
            ++descriptors;
        }
    }
}

}  // namespace

int main() {
    quillfen::test::PtyPair pty;
    if (!pty.Ok()) {
        std::printf("port_claim_bench: no pty\n");
        return 1;
    }
    quillfen::test::TempDir dir;
    quillfen::LocalDevice device;

    quillfen::DeviceRoots machine;
    machine.lock = dir.File("lock");
    std::filesystem::create_directories(machine.lock);
    int processes = 0;
    int descriptors = 0;
    CountMachine(processes, descriptors);
    double machineMs = MedianOpenMs(device, pty.Slave(), machine, 50);

    constexpr int FakeProcesses = 500;
    constexpr int FakeDescriptors = 40;
    quillfen::DeviceRoots fake = machine;
    fake.proc = dir.File("proc");
    for (int pid = 1000; pid < 1000 + FakeProcesses; ++pid) {
        std::filesystem::path fds = std::filesystem::path(fake.proc) / std::to_string(pid) / "fd";
        std::filesystem::create_directories(fds);
        for (int fd = 0; fd < FakeDescriptors; ++fd) {
            std::filesystem::create_symlink("/dev/null", fds / std::to_string(fd));
        }
    }
    double fakeMs = MedianOpenMs(device, pty.Slave(), fake, 20);

    std::printf("port_claim_bench: open+close of a free pty with every check, median %.2f ms here "
                "(%d processes, %d descriptors readable) and %.2f ms against %d processes x %d device links\n",
                machineMs, processes, descriptors, fakeMs, FakeProcesses, FakeDescriptors);
    return 0;
}
