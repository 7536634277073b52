// SPDX-License-Identifier: MIT
// The program's end of the simulated line for the simulator's own tests:
// the slave device opened raw with plain POSIX calls, as a terminal program
// would, with reads bounded by generous deadlines.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include <gtest/gtest.h>

namespace quillfen::test {

inline constexpr std::chrono::milliseconds kAnswerLimit{5000};

class PtyClient {
public:
    explicit PtyClient(const std::string& device) {
        fd_ = open(device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            ADD_FAILURE() << "cannot open " << device << ": " << std::strerror(errno);
            return;
        }
        termios settings{};
        tcgetattr(fd_, &settings);
        cfmakeraw(&settings);
        cfsetispeed(&settings, B2400);
        cfsetospeed(&settings, B2400);
        tcsetattr(fd_, TCSANOW, &settings);
    }
    ~PtyClient() { Close(); }
    PtyClient(const PtyClient&) = delete;
    PtyClient& operator=(const PtyClient&) = delete;

    void Close() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    void Send(std::string_view bytes) {
        while (!bytes.empty()) {
            ssize_t sent = write(fd_, bytes.data(), bytes.size());
            if (sent < 0 && errno == EINTR) continue;
            ASSERT_GT(sent, 0) << std::strerror(errno);
            bytes.remove_prefix(static_cast<std::size_t>(sent));
        }
    }

    // Everything that arrives until one of the ends has been seen or the
    // limit passes.
    std::string ReadUntilAny(std::initializer_list<std::string_view> ends,
                             std::chrono::milliseconds limit = kAnswerLimit) {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + limit;
        auto seen = [&] {
            for (std::string_view end : ends)
                if (got.find(end) != std::string::npos) return true;
            return false;
        };
        while (!seen() && ReadSome(got, deadline)) {
        }
        return got;
    }

    // Everything that arrives within the period.
    std::string ReadFor(std::chrono::milliseconds period) {
        std::string got;
        auto deadline = std::chrono::steady_clock::now() + period;
        while (ReadSome(got, deadline)) {
        }
        return got;
    }

    std::string Exchange(std::string_view command, std::string_view until) {
        Send(command);
        return ReadUntilAny({until});
    }

    // Last poll events and read result, for the hang-up test.
    short lastEvents = 0;
    int lastReadErrno = 0;
    bool sawEnd = false;

private:
    bool ReadSome(std::string& got, std::chrono::steady_clock::time_point deadline) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || fd_ < 0) return false;
        pollfd request{fd_, POLLIN, 0};
        int ready = poll(&request, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) return true;
        if (ready <= 0) return false;
        lastEvents = request.revents;
        char buffer[4096];
        ssize_t count = read(fd_, buffer, sizeof buffer);
        if (count <= 0) {
            lastReadErrno = count < 0 ? errno : 0;
            sawEnd = true;
            return false;
        }
        got.append(buffer, static_cast<std::size_t>(count));
        return true;
    }

    int fd_ = -1;
};

}  // namespace quillfen::test
