// SPDX-License-Identifier: MIT
// The simulator's event loop: one poll over the pty master and the stop
// signals. It feeds what the program writes to the modem, sends the answers
// (in one write each, or paced at the line rate), slips in line noise while
// the line is quiet, records the transcript and performs the hang-up.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "modem.h"
#include "noise.h"
#include "options.h"
#include "pty.h"
#include "transcript.h"

namespace quillfen::modemsim {

class Simulator {
public:
    Simulator(const Options& options, std::uint32_t noiseSeed, Pty& pty, Transcript& transcript);
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Runs until a signal arrives on signalFd or the hang-up is done.
    // Returns the exit status: 0 for both, 1 when the pty fails.
    int Run(int signalFd);

private:
    using Clock = std::chrono::steady_clock;

    bool Receive(Clock::time_point now);
    void Enqueue(const std::string& bytes, Clock::time_point now);
    bool Flush(Clock::time_point now);
    Clock::time_point NextByteDue() const;
    bool HangupDone(Clock::time_point now);

    const Options& options_;
    Pty& pty_;
    Transcript& transcript_;
    std::optional<Noise> noise_;
    Modem modem_;

    std::string pending_;  // answered but not yet written
    std::string answer_;   // scratch for one read's answers
    bool blocked_ = false;
    Clock::time_point lastWrite_;
    Clock::time_point paceOrigin_;
    std::uint64_t pacedSent_ = 0;
    Clock::time_point nextNoise_;

    unsigned answered_ = 0;
    bool hangupPending_ = false;
    bool draining_ = false;
    Clock::time_point drainUntil_;
};

}  // namespace quillfen::modemsim
