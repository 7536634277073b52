// SPDX-License-Identifier: MIT
// The capability test as data: the script's steps, the fax-class table and
// the battery run once per accepted class. A reviewer reads what is sent here;
// procedures.cpp only interprets it.
#pragma once

#include <span>
#include <string_view>

namespace quillfen::script {

struct Command {
    const char* text;
    unsigned timeoutSeconds;
};

enum class StepKind {
    PortLine,    // "COM%u" written as a line
    Reset,       // "Reset the modem:\r\n" and AT&F
    Say,         // plain text, then the commands
    ClassBlock,  // switch to a class and, if accepted, interrogate it
};

struct FaxClass {
    Command switchCommand;
    const char* text;
    std::span<const Command> extras;  // sent when the class is accepted
};

struct Step {
    StepKind kind;
    const char* text = nullptr;
    std::span<const Command> commands = {};
    const FaxClass* faxClass = nullptr;
};

extern const std::span<const Step> CapabilityScript;
extern const std::span<const Command> ClassBattery;

inline constexpr char ResetHeading[] = "Reset the modem:\r\n";
inline constexpr Command ResetCommand = {"AT&F", 3};
inline constexpr char SupportsClass[] = "This FaxModem supports Class ";
inline constexpr char LacksClass[] = "This FaxModem does not support Class ";
// What the probe concludes about the port it opened.
inline constexpr char ModemPresent[] = "There appears to be a modem on this opened UART.\r\n";
inline constexpr char ModemAbsent[] = "There does not appear to be a modem on this opened UART.\r\n";

// A class command is this prefix and the class's name: "AT+FCLASS=2.0".
inline constexpr std::string_view ClassSwitchPrefix = "AT+FCLASS=";
constexpr std::string_view ClassNameOf(const FaxClass& faxClass) {
    return std::string_view(faxClass.switchCommand.text).substr(ClassSwitchPrefix.size());
}

}  // namespace quillfen::script
