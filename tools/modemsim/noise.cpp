// SPDX-License-Identifier: MIT
#include "noise.h"

#include <array>
#include <string_view>

namespace quillfen::modemsim {

namespace {

constexpr char kDle = 0x10;
constexpr char kEtx = 0x03;
constexpr char kXon = 0x11;

// Noise must never read as a final word by accident, so every piece starts
// with a control byte, a byte of 0x80 or more, or a lower-case letter, and
// the text of long lines is lower case throughout.
constexpr std::string_view kLongLineText = "abcdefghijklmnopqrstuvwxyz0123456789 .,-";

enum class Kind { Junk, Frame, LongLine, Ring };
struct Weighted {
    Kind kind;
    unsigned weight;
};
constexpr std::array kKinds{
    Weighted{Kind::Junk, 4},
    Weighted{Kind::Frame, 3},
    Weighted{Kind::LongLine, 2},
    Weighted{Kind::Ring, 1},
};

constexpr unsigned kAnswerNoiseOneIn = 4;
constexpr unsigned kStrayByteOneIn = 8;
constexpr unsigned kShortestPauseMs = 300;
constexpr unsigned kLongestPauseMs = 1500;

unsigned Between(std::mt19937& random, unsigned low, unsigned high) {
    return std::uniform_int_distribution<unsigned>(low, high)(random);
}

bool OneIn(std::mt19937& random, unsigned chances) { return Between(random, 1, chances) == 1; }

}  // namespace

Noise::Noise(std::uint32_t seed) : answerRandom_(seed), quietRandom_(seed ^ 0x9E3779B9u) {}

void Noise::BeforeAnswer(std::string& out) {
    if (OneIn(answerRandom_, kAnswerNoiseOneIn)) AppendPiece(answerRandom_, out);
}

void Noise::BeforeResultWord(std::string& out) {
    if (OneIn(answerRandom_, kStrayByteOneIn)) out.push_back(OneIn(answerRandom_, 2) ? '\0' : kXon);
}

void Noise::AppendUnsolicited(std::string& out) { AppendPiece(quietRandom_, out); }

std::chrono::milliseconds Noise::NextPause() {
    return std::chrono::milliseconds(Between(quietRandom_, kShortestPauseMs, kLongestPauseMs));
}

void Noise::AppendPiece(std::mt19937& random, std::string& out) {
    unsigned total = 0;
    for (const Weighted& row : kKinds) total += row.weight;
    unsigned pick = Between(random, 1, total);
    Kind kind = kKinds.back().kind;
    for (const Weighted& row : kKinds) {
        if (pick <= row.weight) {
            kind = row.kind;
            break;
        }
        pick -= row.weight;
    }

    switch (kind) {
    case Kind::Junk: {
        // A burst of high bytes, as a line hit picks up; 0xFF is left out
        // because it would open a frame and swallow the answer after it.
        unsigned count = Between(random, 1, 6);
        for (unsigned i = 0; i < count; ++i) out.push_back(static_cast<char>(Between(random, 0x80, 0xFE)));
        if (OneIn(random, 2)) out += "\r\n";
        break;
    }
    case Kind::Frame: {
        // An HDLC frame as class 1 sends it: address 0xFF, control 0x03,
        // a few octets that may hold CR LF, closed by DLE ETX.
        out.push_back(static_cast<char>(0xFF));
        out.push_back(kEtx);
        unsigned count = Between(random, 2, 20);
        unsigned crlfAt = OneIn(random, 2) ? Between(random, 0, count - 1) : count;
        for (unsigned i = 0; i < count; ++i) {
            if (i == crlfAt) out += "\r\n";
            char octet = static_cast<char>(Between(random, 0x00, 0xFE));
            out.push_back(octet == kDle ? static_cast<char>(0x20) : octet);
        }
        out.push_back(kDle);
        out.push_back(kEtx);
        break;
    }
    case Kind::LongLine: {
        unsigned count = Between(random, 102, 180);
        out += "\r\n";
        for (unsigned i = 0; i < count; ++i) {
            std::size_t at = Between(random, 0, static_cast<unsigned>(kLongLineText.size() - 1));
            // The line and any piece a reader cuts from it start with a letter.
            if (i % 101 == 0) at %= 26;
            out.push_back(kLongLineText[at]);
        }
        out += "\r\n";
        break;
    }
    case Kind::Ring:
        out += "\r\nRING\r\n";
        break;
    }
}

}  // namespace quillfen::modemsim
