// SPDX-License-Identifier: MIT
// One AT command transaction at a time, and the response reader under it.
// Owns the abort flag that every wait tests, the result of the latest
// transaction, the command buffer and the reader's line buffers. A caller may
// rely on: SendCommand returns 0 only after an abort, having logged
// "Aborted by user.\r\n" exactly once; otherwise LastResult holds the class
// of the modem's final answer (4 also for a timeout).
#pragma once

#include <cstdint>

#include "host/host.h"
#include "log/session_log.h"
#include "serial/serial_port.h"

namespace quillfen {

using ResultCode = std::uint8_t;

namespace result {
inline constexpr ResultCode Ok = 0;
inline constexpr ResultCode Connect = 1;
inline constexpr ResultCode NoCarrier = 3;
inline constexpr ResultCode Error = 4;
inline constexpr ResultCode NoDialtone = 6;
inline constexpr ResultCode Busy = 7;
inline constexpr ResultCode NoAnswer = 8;
inline constexpr ResultCode FaxConnect = 101;
}  // namespace result

inline constexpr std::size_t CommandBufferSize = 512;
inline constexpr std::size_t LineBufferSize = 128;
inline constexpr std::uint16_t LinePieceLimit = 101;

// Classifies a complete line whose first byte is printable. Returns true and
// sets code when the line is a final response.
bool ClassifyLine(const std::uint8_t* lineText, ResultCode& code);

// What one byte did: the line goes on, a 101-byte piece of it was logged
// (the line goes on afresh), or the line is complete.
enum class LineStep { More, Piece, Complete };

class CommandEngine {
public:
    CommandEngine(Host& host, SessionLog& log, SerialPort& port);

    // Sends text + CR, logs it, reads the answer into LastResult.
    // 1, or 0 when the user aborted.
    int SendCommand(const char* text, unsigned timeoutSeconds);

    // Reads lines until a final response, the deadline, an abort or a hang-up
    // of the port (4).
    ResultCode ReadResponse(unsigned timeoutSeconds);

    // The steps of the reader's byte loop, without the port and the pauses,
    // so the fuzzer can drive them directly. TakeByte stores one byte (and
    // logs a 101-byte piece); after Complete, FinishLine logs the line and
    // tells whether it is final; ClearLine starts the next one.
    LineStep TakeByte(std::uint8_t byte);
    bool FinishLine(ResultCode& code);
    void ClearLine();

    std::int32_t AbortRequested = 0;
    ResultCode LastResult = 0;

private:
    std::uint32_t WriteCommand(const char* buffer, std::uint32_t length);
    void BeginLine();
    void LogLine(const std::uint8_t* line);

    Host& host_;
    SessionLog& log_;
    SerialPort& port_;
    char commandBuffer_[CommandBufferSize] = {};
    std::uint8_t rawLine_[LineBufferSize] = {};
    std::uint8_t lineText_[LineBufferSize] = {};
    std::uint16_t lineLength_ = 0;
    std::uint8_t firstByte_ = 0;
};

}  // namespace quillfen
