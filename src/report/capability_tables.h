// What the answers of a capability test mean, as tables the report reads:
// the service classes, the class 1 modulation codes, the class 2 and 2.0
// parameter values, the flow-control commands and the identity queries.
#pragma once

#include <span>
#include <string_view>

namespace quillfen::report::tables {

struct ServiceClassName {
    std::string_view name;         // as +FCLASS spells it
    std::string_view description;  // "class 1.0 (T.31)"
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
// In the order of the answer: VR, BR, WD, LN, DF, EC, BF, ST, JP.
std::span<const FaxParameterTable> FaxParameters();
inline constexpr unsigned BitRateParameter = 1;
inline constexpr unsigned ErrorCorrectionParameter = 5;
inline constexpr unsigned FirstV34BitRate = 6;

// The commands whose answer holds a class 2 or 2.0 range list, and the class
// they belong to.
struct RangeQuery {
    std::string_view command;
    std::string_view className;
};
std::span<const RangeQuery> RangeQueries();

enum class FlowKind { Off, Hardware, Software, Other };
struct FlowCommand {
    std::string_view command;  // "AT&K3"
    std::string_view family;   // "&Kn"
    FlowKind kind;
    std::string_view meaning;
};
std::span<const FlowCommand> FlowCommands();

enum class IdentityField { Maker, Model, Revision };
struct IdentityQuery {
    std::string_view command;
    IdentityField field;
};
std::span<const IdentityQuery> IdentityQueries();

}  // namespace quillfen::report::tables
