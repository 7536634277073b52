// SPDX-License-Identifier: MIT
// A pseudo-terminal for the serial tests: the test holds the master side and
// plays the modem; the slave path is what the port under test opens. A
// keeper descriptor holds the slave open, as a simulator or getty would, so
// the terminal (and its settings) outlives every open and close of the port.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

namespace quillfen::test {

class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) return;
        const char* name = ptsname(master_);
        if (!name) return;
        slave_ = name;
        keeper_ = open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        if (keeper_ >= 0) close(keeper_);
        if (master_ >= 0) close(master_);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    // The modem's side goes away, as a USB modem that is pulled out.
    void CloseMaster() {
        if (master_ >= 0) close(master_);
        master_ = -1;
    }

    bool Ok() const { return master_ >= 0 && keeper_ >= 0 && !slave_.empty(); }
    const std::string& Slave() const { return slave_; }
    int Master() const { return master_; }
    int Keeper() const { return keeper_; }

    // What the modem side sends to the port.
    void Send(const std::string& bytes) const {
        std::size_t done = 0;
        while (done < bytes.size()) {
            ssize_t wrote = write(master_, bytes.data() + done, bytes.size() - done);
            if (wrote > 0) done += static_cast<std::size_t>(wrote);
            else {
                pollfd watch{master_, POLLOUT, 0};
                poll(&watch, 1, 100);
            }
        }
    }

    // Everything the port sent, collected until nothing more has come for
    // quietMs.
    std::string Drain(int quietMs = 200) const {
        std::string got;
        char chunk[4096];
        while (true) {
            pollfd watch{master_, POLLIN, 0};
            if (poll(&watch, 1, quietMs) <= 0 || (watch.revents & POLLIN) == 0) break;
            ssize_t n = read(master_, chunk, sizeof chunk);
            if (n <= 0) break;
            got.append(chunk, static_cast<std::size_t>(n));
        }
        return got;
    }

private:
    int master_ = -1;
    int keeper_ = -1;
    std::string slave_;
};

// Polls a condition until it holds or a generous limit passes.
template <typename Condition>
bool Eventually(Condition condition, int limitMs = 5000) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(limitMs);
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        usleep(2000);
    }
    return true;
}

// Writes numbered blocks until the pty holds bytes back and keeps holding
// them (a pty may refuse for a moment and then take more); returns every
// byte written. write hands one block to the port under test; queued asks
// it how many bytes it still holds.
template <typename Write, typename Queued>
std::string FillUntilHeld(std::size_t blockSize, Write write, Queued queued) {
    std::string written;
    std::vector<std::uint8_t> block(blockSize);
    for (int round = 0; round < 2000; ++round) {
        for (std::size_t i = 0; i < block.size(); ++i) block[i] = static_cast<std::uint8_t>((written.size() + i) % 251);
        write(block.data(), block.size());
        written.append(reinterpret_cast<const char*>(block.data()), block.size());
        auto settled = std::chrono::steady_clock::now() + std::chrono::milliseconds(300);
        while (queued() > 0 && std::chrono::steady_clock::now() < settled) usleep(5000);
        if (queued() > 0) break;
    }
    return written;
}

}  // namespace quillfen::test
