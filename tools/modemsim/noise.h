// Line noise for the simulated modem: junk bytes, unsolicited fax frames,
// over-long lines and RING between answers, and a stray NUL or XON in front
// of some result words. One seeded generator drives all of it, so a seed
// repeats a run byte for byte when the program sends the same commands.
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
    bool OneIn(unsigned chances);
    unsigned Between(unsigned low, unsigned high);

    std::mt19937 random_;
};

}  // namespace quillfen::modemsim
