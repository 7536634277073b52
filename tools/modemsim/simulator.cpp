// SPDX-License-Identifier: MIT
#include "simulator.h"

#include <poll.h>
#include <sys/ioctl.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace quillfen::modemsim {

namespace {

constexpr std::size_t kReadChunk = 4096;
// What the modem holds for a program that does not read; beyond it the
// answers are lost, as on a line without flow control.
constexpr std::size_t kPendingLimit = 64 * 1024;
// How long the last answer before a hang-up may wait for the program to read
// it: the line discards unread input when it goes down.
constexpr auto kDrainGrace = std::chrono::seconds(2);
constexpr auto kDrainPoll = std::chrono::milliseconds(10);
// The line discipline takes the bytes from the master a moment after the
// write; until then the slave's queue looks empty.
constexpr auto kDrainSettle = std::chrono::milliseconds(100);
constexpr double kBitsPerByte = 10.0;

}  // namespace

Simulator::Simulator(const Options& options, std::uint32_t noiseSeed, Pty& pty, Transcript& transcript)
    : options_(options),
      pty_(pty),
      transcript_(transcript),
      noise_(options.noise ? std::optional<Noise>(std::in_place, noiseSeed) : std::nullopt),
      modem_(*options.profile, noise_ ? &*noise_ : nullptr) {
    answer_.reserve(kReadChunk);
}

int Simulator::Run(int signalFd) {
    if (noise_) nextNoise_ = Clock::now() + noise_->NextPause();
    while (true) {
        Clock::time_point now = Clock::now();
        if (!Flush(now)) return 1;
        if (hangupPending_ && pending_.empty() && HangupDone(now)) return 0;

        if (noise_ && !hangupPending_ && now >= nextNoise_) {
            // Only on a quiet line, so noise never cuts through an answer or
            // piles up for a program that is not reading.
            if (pending_.empty() && !modem_.LineInProgress()) {
                std::string piece;
                noise_->AppendUnsolicited(piece);
                Enqueue(piece, now);
            }
            nextNoise_ = now + noise_->NextPause();
            continue;
        }

        Clock::time_point wake = Clock::time_point::max();
        if (noise_ && !hangupPending_) wake = std::min(wake, nextNoise_);
        if (!pending_.empty() && options_.baud != 0 && !blocked_) wake = std::min(wake, NextByteDue());
        if (draining_) wake = std::min(wake, now + kDrainPoll);
        int timeoutMs = -1;
        if (wake != Clock::time_point::max()) {
            auto wait = std::chrono::ceil<std::chrono::milliseconds>(wake - now).count();
            timeoutMs = static_cast<int>(std::clamp<decltype(wait)>(wait, 0, 60000));
        }

        pollfd fds[2] = {{signalFd, POLLIN, 0}, {pty_.Master(), 0, 0}};
        if (!hangupPending_) fds[1].events |= POLLIN;
        if (blocked_ || (!pending_.empty() && options_.baud == 0)) fds[1].events |= POLLOUT;
        if (poll(fds, 2, timeoutMs) < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "quillfen-modemsim: poll: %s\n", std::strerror(errno));
            return 1;
        }
        if (fds[0].revents & POLLIN) {
            signalfd_siginfo info{};
            if (read(signalFd, &info, sizeof info) != static_cast<ssize_t>(sizeof info)) info.ssi_signo = 0;
            transcript_.Remark("stopped by signal " + std::to_string(info.ssi_signo));
            return 0;
        }
        if (fds[1].revents & POLLOUT) blocked_ = false;
        if (fds[1].revents & POLLIN) {
            if (!Receive(Clock::now())) return 1;
        } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
            // The simulator holds a slave descriptor, so this is not a client leaving.
            std::fprintf(stderr, "quillfen-modemsim: the pty failed\n");
            return 1;
        }
    }
}

bool Simulator::Receive(Clock::time_point now) {
    char buffer[kReadChunk];
    ssize_t got = read(pty_.Master(), buffer, sizeof buffer);
    if (got < 0) {
        if (errno == EAGAIN || errno == EINTR) return true;
        std::fprintf(stderr, "quillfen-modemsim: reading the pty: %s\n", std::strerror(errno));
        return false;
    }
    if (got == 0) return true;
    transcript_.Received(std::string_view(buffer, static_cast<std::size_t>(got)));

    answer_.clear();
    for (ssize_t i = 0; i < got; ++i) {
        if (!modem_.Feed(static_cast<unsigned char>(buffer[i]), answer_)) continue;
        ++answered_;
        if (options_.hangupAfter != 0 && answered_ >= options_.hangupAfter) {
            // Unplugged: whatever the program sent after this command is lost.
            hangupPending_ = true;
            break;
        }
    }
    Enqueue(answer_, now);
    return true;
}

void Simulator::Enqueue(const std::string& bytes, Clock::time_point now) {
    if (bytes.empty()) return;
    if (pending_.size() + bytes.size() > kPendingLimit) {
        transcript_.Remark("dropped " + std::to_string(bytes.size()) + " bytes: the program is not reading");
        return;
    }
    transcript_.Sent(bytes);
    if (pending_.empty()) {
        paceOrigin_ = now;
        pacedSent_ = 0;
    }
    pending_ += bytes;
}

// Unpaced, all that is pending goes in one write, so the program gets a whole
// answer at once. Paced, only the bytes whose time has come go.
bool Simulator::Flush(Clock::time_point now) {
    if (pending_.empty() || blocked_) return true;
    std::size_t count = pending_.size();
    if (options_.baud != 0) {
        double elapsed = std::chrono::duration<double>(now - paceOrigin_).count();
        auto due = static_cast<std::uint64_t>(elapsed * options_.baud / kBitsPerByte) + 1;
        if (due <= pacedSent_) return true;
        count = static_cast<std::size_t>(std::min<std::uint64_t>(count, due - pacedSent_));
    }
    ssize_t written = write(pty_.Master(), pending_.data(), count);
    if (written < 0) {
        if (errno == EAGAIN || errno == EINTR) {
            blocked_ = true;
            // A line that was held up does not make up for lost time in a burst.
            paceOrigin_ = now;
            pacedSent_ = 0;
            return true;
        }
        std::fprintf(stderr, "quillfen-modemsim: writing the pty: %s\n", std::strerror(errno));
        return false;
    }
    lastWrite_ = now;
    pending_.erase(0, static_cast<std::size_t>(written));
    pacedSent_ += static_cast<std::uint64_t>(written);
    return true;
}

Simulator::Clock::time_point Simulator::NextByteDue() const {
    auto offset = std::chrono::duration<double>(static_cast<double>(pacedSent_) * kBitsPerByte / options_.baud);
    return paceOrigin_ + std::chrono::duration_cast<Clock::duration>(offset);
}

// The last answer is out of the simulator; give the program a moment to read
// it before the line goes down.
bool Simulator::HangupDone(Clock::time_point now) {
    if (!draining_) {
        draining_ = true;
        drainUntil_ = now + kDrainGrace;
    }
    if (now < drainUntil_) {
        int unread = 0;
        if (now < lastWrite_ + kDrainSettle) return false;
        if (ioctl(pty_.Slave(), FIONREAD, &unread) == 0 && unread > 0) return false;
    }
    transcript_.Remark("hang-up after " + std::to_string(answered_) + " commands");
    pty_.Close();
    return true;
}

}  // namespace quillfen::modemsim
