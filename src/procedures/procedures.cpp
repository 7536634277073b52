// SPDX-License-Identifier: MIT
// The probe, the scans and the interpreter of the capability script.
#include "procedures/procedures.h"

#include <cstdio>

#include "procedures/capability_script.h"

namespace quillfen {

namespace {
constexpr char LongResponsesHeading[] = "Be sure we are configured for Long Responses:\r\n";
}  // namespace

Procedures::Procedures(SessionLog& log, SerialPort& port, CommandEngine& engine)
    : log_(log), port_(port), engine_(engine) {}

int Procedures::Plain(const char* text) { return log_.WriteLog(text, LogKind::Plain, AsLine::No); }

int Procedures::ResetModem() {
    Plain(script::ResetHeading);
    return engine_.SendCommand(script::ResetCommand.text, script::ResetCommand.timeoutSeconds);
}

int Procedures::ProbeModem(FullTest fullTest) {
    modemFound_ = false;
    if (ResetModem() == 0) return 0;
    Plain(LongResponsesHeading);
    if (engine_.SendCommand("ATV1", 1) == 0) return 0;
    if (engine_.SendCommand("AT", 1) == 0) return 0;
    // Only the answer to the bare AT decides.
    if (engine_.LastResult == result::Ok) {
        modemFound_ = true;
        Plain(script::ModemPresent);
        if (fullTest == FullTest::Yes) RunCapabilityTest();
    } else {
        Plain(script::ModemAbsent);
    }
    return 1;
}

unsigned Procedures::ScanPorts(FullTest fullTest) {
    unsigned opened = 0;
    for (unsigned index = 0; index < ScannedPorts; ++index) {
        if (ScanPort(index, fullTest) == PortScan::NotOpened) continue;
        ++opened;
        if (engine_.AbortRequested == 1) break;
    }
    return opened;
}

PortScan Procedures::ScanPort(unsigned index, FullTest fullTest) {
    port_.SelectedPort = static_cast<std::uint8_t>(index);
    if (port_.OpenPort(Quiet::Yes) != 1) return PortScan::NotOpened;
    ProbeModem(fullTest);
    port_.ClosePort();
    return modemFound_ ? PortScan::ModemFound : PortScan::NoModem;
}

int Procedures::RunClassBattery() {
    for (const script::Command& command : script::ClassBattery) {
        if (engine_.SendCommand(command.text, command.timeoutSeconds) == 0) return 0;
    }
    return 1;
}

int Procedures::RunCapabilityTest() {
    for (const script::Step& step : script::CapabilityScript) {
        switch (step.kind) {
        case script::StepKind::PortLine:
            std::snprintf(heading_, sizeof heading_, "COM%u", static_cast<unsigned>(port_.SelectedPort) + 1);
            log_.WriteLog(heading_, LogKind::Plain, AsLine::Yes);
            break;
        case script::StepKind::Reset:
            if (ResetModem() == 0) return 0;
            break;
        case script::StepKind::Say:
            Plain(step.text);
            for (const script::Command& command : step.commands) {
                if (engine_.SendCommand(command.text, command.timeoutSeconds) == 0) return 0;
            }
            break;
        case script::StepKind::ClassBlock: {
            const script::FaxClass& faxClass = *step.faxClass;
            if (engine_.SendCommand(faxClass.switchCommand.text, faxClass.switchCommand.timeoutSeconds) == 0) return 0;
            if (engine_.LastResult != result::Ok) {
                Plain(script::LacksClass);
                Plain(faxClass.text);
                break;
            }
            Plain(script::SupportsClass);
            Plain(faxClass.text);
            for (const script::Command& command : faxClass.extras) {
                if (engine_.SendCommand(command.text, command.timeoutSeconds) == 0) return 0;
            }
            // An abort inside the battery is caught by the reset that follows,
            // which still writes its AT&F before it reports the abort.
            RunClassBattery();
            break;
        }
        }
    }
    return 1;
}

}  // namespace quillfen
