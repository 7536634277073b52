// SPDX-License-Identifier: MIT
// The line speeds a port may be set to: the ones every platform's serial
// driver takes by name.
#include <iterator>

#include "serial/serial_device.h"

namespace quillfen {

namespace {
constexpr std::uint32_t SpeedValues[] = {300, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400};
}  // namespace

std::span<const std::uint32_t> LineSpeeds() { return SpeedValues; }

bool IsLineSpeed(std::uint32_t bitsPerSecond) {
    for (std::uint32_t speed : SpeedValues)
        if (speed == bitsPerSecond) return true;
    return false;
}

}  // namespace quillfen
