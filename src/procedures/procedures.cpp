// SPDX-License-Identifier: MIT
// The probe, the scans and the interpreter of the capability script.
#include "procedures/procedures.h"

#include <cstdio>

#include "procedures/capability_script.h"

namespace quillfen {

namespace {
constexpr char LongResponsesHeading[] = "Be sure we are configured for Long Responses:\r\n";
}  // namespace

Procedures::Procedures(Host& host, SessionLog& log, SerialPort& port, CommandEngine& engine)
    : host_(host), log_(log), port_(port), engine_(engine) {}

int Procedures::Plain(const char* text) { return log_.WriteLog(text, LogKind::Plain, AsLine::No); }

void Procedures::Tell(Phase phase, std::string_view faxClass) {
    progress_.phase = phase;
    progress_.faxClass = faxClass;
    progress_.comNumber = port_.SelectedPort + 1u;
    host_.ShowProgress(progress_);
}

int Procedures::Send(const char* text, unsigned timeoutSeconds) {
    ++progress_.commands;
    Tell(progress_.phase, progress_.faxClass);
    const int sent = engine_.SendCommand(text, timeoutSeconds);
    if (!progress_.hungUp && port_.HungUp()) {
        // The command that found the modem gone is not one it answered.
        progress_.hungUp = true;
        progress_.commandsBeforeHangUp = progress_.commands - 1;
        host_.ShowProgress(progress_);
    }
    return sent;
}

int Procedures::ResetModem() {
    Plain(script::ResetHeading);
    return Send(script::ResetCommand.text, script::ResetCommand.timeoutSeconds);
}

int Procedures::ProbeModem(FullTest fullTest) {
    modemFound_ = false;
    if (ResetModem() == 0) return 0;
    Plain(LongResponsesHeading);
    if (Send("ATV1", 1) == 0) return 0;
    if (Send("AT", 1) == 0) return 0;
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
    Tell(Phase::Opening);
    if (port_.OpenPort(Quiet::Yes) != 1) return PortScan::NotOpened;
    Tell(Phase::Probing);
    ProbeModem(fullTest);
    port_.ClosePort();
    return modemFound_ ? PortScan::ModemFound : PortScan::NoModem;
}

int Procedures::RunClassBattery() {
    for (const script::Command& command : script::ClassBattery) {
        if (Send(command.text, command.timeoutSeconds) == 0) return 0;
    }
    return 1;
}

int Procedures::RunCapabilityTest() {
    for (const script::Step& step : script::CapabilityScript) {
        switch (step.kind) {
        case script::StepKind::PortLine:
            std::snprintf(heading_, sizeof heading_, "COM%u", static_cast<unsigned>(port_.SelectedPort) + 1);
            log_.WriteLog(heading_, LogKind::Plain, AsLine::Yes);
            Tell(Phase::Testing);
            break;
        case script::StepKind::Reset:
            if (ResetModem() == 0) return 0;
            break;
        case script::StepKind::Say:
            Plain(step.text);
            for (const script::Command& command : step.commands) {
                if (Send(command.text, command.timeoutSeconds) == 0) return 0;
            }
            break;
        case script::StepKind::ClassBlock: {
            const script::FaxClass& faxClass = *step.faxClass;
            Tell(Phase::FaxClass, script::ClassNameOf(faxClass));
            if (Send(faxClass.switchCommand.text, faxClass.switchCommand.timeoutSeconds) == 0) return 0;
            if (engine_.LastResult != result::Ok) {
                Plain(script::LacksClass);
                Plain(faxClass.text);
                break;
            }
            Plain(script::SupportsClass);
            Plain(faxClass.text);
            for (const script::Command& command : faxClass.extras) {
                if (Send(command.text, command.timeoutSeconds) == 0) return 0;
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
