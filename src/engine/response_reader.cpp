// SPDX-License-Identifier: MIT
// Cuts what the modem sends into lines, logs each as an IN line and returns
// the class of the first final response, or Error on a timeout or an abort.
#include <chrono>
#include <cstring>
#include <thread>

#include "engine/command_engine.h"

namespace quillfen {

namespace {

constexpr std::uint8_t CR = 0x0D;
constexpr std::uint8_t LF = 0x0A;
constexpr std::uint8_t DLE = 0x10;
constexpr std::uint8_t ETX = 0x03;
constexpr std::uint8_t FrameStart = 0xFF;  // address byte of a fax data frame
constexpr auto IdleSleep = std::chrono::milliseconds(10);
constexpr std::uint32_t LineStartPause = 5;  // ms

// The final words. The first byte picks the rows exactly; the rest of the
// compared bytes ignore letter case. Rows sharing a first byte are tried in
// this order.
struct ResultWord {
    const char* word;
    std::uint8_t bytesCompared;
    ResultCode code;
};

constexpr ResultWord ResultWords[] = {
    {"OK", 2, result::Ok},
    {"CONNECT", 7, result::Connect},
    {"BUSY", 4, result::Busy},
    {"ERROR", 5, result::Error},
    {"FCERROR", 5, result::Error},
    {"NO CARRIER", 10, result::NoCarrier},
    {"NO ANSWER", 9, result::NoAnswer},
    {"NO DIALTONE", 11, result::NoDialtone},
    {"+FCON", 4, result::FaxConnect},
};

std::uint8_t UpperCase(std::uint8_t byte) { return byte >= 'a' && byte <= 'z' ? byte - ('a' - 'A') : byte; }

bool Printable(std::uint8_t byte) { return byte >= 0x20 && byte < 0x7F; }

}  // namespace

bool ClassifyLine(const std::uint8_t* lineText, ResultCode& code) {
    for (const ResultWord& row : ResultWords) {
        if (lineText[0] != static_cast<std::uint8_t>(row.word[0])) continue;
        // Compares a fixed count without stopping at NUL, so a line shorter
        // than the word meets its terminating zero and cannot match.
        bool match = true;
        for (std::uint8_t i = 1; i < row.bytesCompared && match; ++i) {
            match = UpperCase(lineText[i]) == static_cast<std::uint8_t>(row.word[i]);
        }
        if (match) {
            code = row.code;
            return true;
        }
    }
    return false;
}

void CommandEngine::BeginLine() {
    port_.QueryStatus();
    PacedWait(host_, LineStartPause);
    ClearLine();
}

void CommandEngine::ClearLine() {
    std::memset(rawLine_, 0, sizeof rawLine_);
    std::memset(lineText_, 0, sizeof lineText_);
    lineLength_ = 0;
}

LineStep CommandEngine::TakeByte(std::uint8_t byte) {
    rawLine_[lineLength_] = byte;
    lineText_[lineLength_] = byte;
    if (lineLength_ == 0) firstByte_ = byte;

    if (lineLength_ >= 1 && firstByte_ != FrameStart && (byte == CR || byte == LF)) {
        lineText_[lineLength_] = 0;
        return LineStep::Complete;
    }
    if (lineLength_ >= 2 && rawLine_[lineLength_ - 1] == DLE && byte == ETX) return LineStep::Complete;
    if (lineLength_ == 0 && (byte == CR || byte == LF)) {
        rawLine_[0] = 0;
        lineText_[0] = 0;
        return LineStep::More;
    }
    if (++lineLength_ == LinePieceLimit) {
        // An endless line is logged in pieces and never taken for an answer.
        LogLine(lineText_);
        ClearLine();
        return LineStep::Piece;
    }
    return LineStep::More;
}

bool CommandEngine::FinishLine(ResultCode& code) {
    // A line that opens with a control byte (a stray NUL or XON, a fax
    // frame) is recorded as it came and never classified.
    if (!Printable(firstByte_)) {
        LogLine(rawLine_);
        return false;
    }
    LogLine(lineText_);
    return ClassifyLine(lineText_, code);
}

void CommandEngine::LogLine(const std::uint8_t* line) {
    log_.WriteLog(reinterpret_cast<const char*>(line), LogKind::In, AsLine::Yes);
}

ResultCode CommandEngine::ReadResponse(unsigned timeoutSeconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::seconds(timeoutSeconds);
    ReceiveBuffer& received = port_.Receive();
    BeginLine();

    for (;;) {
        if (AbortRequested == 1) return result::Error;

        if (received.readPosition >= received.fillCount) {
            port_.QueryStatus();
            const std::uint32_t waiting = port_.Status().cbInQue;
            if (waiting >= 1) {
                const std::uint32_t wanted = waiting < ReceiveBufferSize ? waiting : ReceiveBufferSize;
                received.fillCount = port_.ReadPort(received.bytes, wanted);
                received.readPosition = 0;
            }
            if (received.readPosition >= received.fillCount) {
                std::this_thread::sleep_for(IdleSleep);
                host_.PumpEvents();
                // A port that has hung up will never answer: waiting out the
                // deadline would only hold every later command as well.
                if (Clock::now() >= deadline || port_.HungUp()) return result::Error;
                continue;
            }
        }

        // The deadline is tested after every line and piece as well, so a
        // modem that never stops sending cannot hold the command.
        const LineStep step = TakeByte(received.bytes[received.readPosition++]);
        if (step == LineStep::More) continue;
        if (step == LineStep::Piece) {
            if (Clock::now() >= deadline) return result::Error;
            continue;
        }
        ResultCode code = 0;
        if (FinishLine(code)) return code;
        if (Clock::now() >= deadline) return result::Error;
        BeginLine();
    }
}

}  // namespace quillfen
