// SPDX-License-Identifier: MIT
// Fuzz target for the response reader's byte loop: whatever the modem sends,
// every log entry stays one bounded IN line and every final answer is one of
// the known result codes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "host/host.h"
#include "engine/command_engine.h"

namespace {

using namespace quillfen;

class CheckingHost : public Host {
public:
    void PumpEvents() override {}
    BoxAnswer ShowMessageBox(std::string_view, BoxIcon, BoxButtons) override { return BoxAnswer::Cancel; }
    void InsertLogText(std::int32_t, std::string_view text) override {
        if (text.size() < 7 || text.size() > 5118 || text.substr(0, 5) != "IN : " ||
            text.substr(text.size() - 2) != "\r\n") {
            std::abort();
        }
        for (std::size_t i = 0; i + 2 < text.size(); ++i) {
            if (text[i] == '\r' || text[i] == '\n' || text[i] == '\0') std::abort();
        }
    }
    int PortSelection() override { return -1; }
    std::size_t ReadCommandText(char* buffer, std::size_t size) override {
        if (size > 0) buffer[0] = '\0';
        return 0;
    }
    void PostCommand(std::uint16_t) override {}
};

struct World {
    CheckingHost host;
    PortNames names;
    SessionLog log{host};
    SerialPort port{host, log, names};
    CommandEngine engine{host, log, port};
};

bool KnownCode(ResultCode code) {
    for (ResultCode known : {result::Ok, result::Connect, result::NoCarrier, result::Error, result::NoDialtone,
                             result::Busy, result::NoAnswer, result::FaxConnect}) {
        if (code == known) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    CommandEngine& engine = world.engine;
    engine.ClearLine();
    for (std::size_t i = 0; i < size; ++i) {
        if (engine.TakeByte(data[i]) != LineStep::Complete) continue;
        ResultCode code = 0xEE;
        if (engine.FinishLine(code) && !KnownCode(code)) std::abort();
        engine.ClearLine();
    }
    return 0;
}
