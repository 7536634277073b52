// SPDX-License-Identifier: MIT
// What the answers of a capability test mean, as tables the report reads:
// the service classes, the class 1 modulation codes, the class 2 and 2.0
// parameter values (each class with its own), the flow-control commands with
// the makers whose convention gives them a meaning, the identity queries,
// and what each fax program calls each class.
#pragma once

#include <span>
#include <string_view>

namespace quillfen::report::tables {

struct ServiceClassName {
    std::string_view name;         // as +FCLASS spells it
    std::string_view description;  // "fax class 1.0 (T.31)"
};
std::span<const ServiceClassName> ServiceClassNames();

struct ModulationCode {
    unsigned code;
    std::string_view name;
    unsigned bitsPerSecond;
};
std::span<const ModulationCode> ModulationCodes();

// One value of a class 2/2.0 parameter and what it means.
struct ParameterValue {
    unsigned value;
    std::string_view meaning;
    unsigned bitsPerSecond;  // bit rate only
};
struct FaxParameterTable {
    std::string_view name;
    std::span<const ParameterValue> values;
    bool lowestOnly;  // the report names only the smallest value (a minimum, not a choice)
};
// In the order of the answer: VR, BR, WD, LN, DF, EC, BF, ST and, in the
// later forms, JP. Class 2 and class 2.0 differ in error correction.
std::span<const FaxParameterTable> FaxParameters(std::string_view className);
inline constexpr unsigned BitRateParameter = 1;
inline constexpr unsigned ErrorCorrectionParameter = 5;
inline constexpr unsigned FirstV34BitRate = 6;
// An answer with another number of groups is not a range list we can read.
inline constexpr unsigned FewestParameterGroups = 8;
inline constexpr unsigned MostParameterGroups = 9;

// The commands whose answer holds a class 2 or 2.0 range list, and the class
// they belong to.
struct RangeQuery {
    std::string_view command;
    std::string_view className;
};
std::span<const RangeQuery> RangeQueries();

// A maker the identity answers can name, and the texts that name it.
enum class Maker { USRobotics, ZyXEL, MultiTech, Rockwell, Hayes, Lucent, Davicom, Telebit, PracticalPeripherals };
struct MakerName {
    Maker maker;
    std::string_view shown;                      // "U.S. Robotics"
    std::span<const std::string_view> patterns;  // upper-case pieces of an identity answer
};
std::span<const MakerName> MakerNames();

enum class FlowKind { Off, Hardware, Software, Other };
// What one maker's manual says a flow-control command does.
struct FlowMeaning {
    Maker maker;
    FlowKind kind;
    std::string_view meaning;
};
struct FlowCommand {
    std::string_view command;  // "AT&K3"
    std::string_view family;   // "&Kn"
    std::span<const FlowMeaning> meanings;
};
std::span<const FlowCommand> FlowCommands();

enum class IdentityField { Maker, Model, Revision };
struct IdentityQuery {
    std::string_view command;
    IdentityField field;
};
std::span<const IdentityQuery> IdentityQueries();

// The fax classes in the order fax experts rank them, best first.
std::span<const std::string_view> ClassRanking();

// What one fax program calls a class, from its own manual.
struct ProgramSetting {
    std::string_view program;  // "HylaFAX"
    std::string_view className;
    std::string_view setting;  // "ModemType: Class1.0"
    std::string_view manual;   // "hylafax-config(5)"
};
std::span<const ProgramSetting> ProgramSettings();
// The programs, in the order the verdict names them, and what to say when
// a program drives none of the modem's classes.
struct FaxProgram {
    std::string_view program;
    std::string_view noClass;
};
std::span<const FaxProgram> FaxPrograms();

}  // namespace quillfen::report::tables
