// SPDX-License-Identifier: MIT
// Line noise for the simulated modem: junk bytes, unsolicited fax frames,
// over-long lines and RING between answers, and a stray NUL or XON in front
// of some result words. The seed fixes all of it: the noise inside answers
// repeats byte for byte when the program sends the same commands, and the
// noise of quiet moments repeats piece for piece (its timing follows the
// program's, so it cannot repeat exactly).
#pragma once

#include <chrono>
#include <cstdint>
#include <random>
#include <string>

#include "modem.h"

namespace quillfen::modemsim {

class Noise : public AnswerHooks {
public:
    explicit Noise(std::uint32_t seed);

    void BeforeAnswer(std::string& out) override;
    void BeforeResultWord(std::string& out) override;

    // One piece of noise for a quiet moment on the line.
    void AppendUnsolicited(std::string& out);
    // How long the line stays quiet before the next unsolicited piece.
    std::chrono::milliseconds NextPause();

private:
    void AppendPiece(std::mt19937& random, std::string& out);

    // Two generators, so the quiet moments, which depend on timing, do not
    // shift the noise inside answers.
    std::mt19937 answerRandom_;
    std::mt19937 quietRandom_;
};

}  // namespace quillfen::modemsim
