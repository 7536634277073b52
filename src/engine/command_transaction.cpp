// SPDX-License-Identifier: MIT
// One command transaction: purge, pause, purge, send with CR, read the answer.
#include <cstring>

#include "engine/command_engine.h"

namespace quillfen {

namespace {
constexpr std::uint32_t CommandPause = 5;  // ms
constexpr char AbortedText[] = "Aborted by user.\r\n";
}  // namespace

CommandEngine::CommandEngine(Host& host, SessionLog& log, SerialPort& port) : host_(host), log_(log), port_(port) {}

std::uint32_t CommandEngine::WriteCommand(const char* buffer, std::uint32_t length) {
    log_.WriteLog(buffer, LogKind::Out, AsLine::Yes);
    port_.WritePort(reinterpret_cast<const std::uint8_t*>(buffer), length);
    PacedWait(host_, CommandPause);
    return length;
}

int CommandEngine::SendCommand(const char* text, unsigned timeoutSeconds) {
    std::memset(commandBuffer_, 0, sizeof commandBuffer_);
    // Leave room for the CR and the NUL: an over-long text is cut, not overflowed.
    CopyBounded(commandBuffer_, text, CommandBufferSize - 1);

    port_.PurgeTransmit();
    PacedWait(host_, CommandPause);
    // Purge after the pause so nothing the modem said during it is taken for
    // this command's answer.
    port_.PurgeReceive();

    AppendBounded(commandBuffer_, "\r", CommandBufferSize);
    const auto length = static_cast<std::uint32_t>(std::strlen(commandBuffer_));
    WriteCommand(commandBuffer_, length);

    if (AbortRequested == 1) {
        log_.WriteLog(AbortedText, LogKind::Plain, AsLine::No);
        return 0;
    }
    LastResult = ReadResponse(timeoutSeconds);
    if (AbortRequested == 1) {
        log_.WriteLog(AbortedText, LogKind::Plain, AsLine::No);
        return 0;
    }
    return 1;
}

}  // namespace quillfen
