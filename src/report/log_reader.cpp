// Walks a log line by line. OUT lines open a transaction, IN lines feed it,
// and any plain line ends it, because the program writes its own remarks
// only after a transaction has returned. What a finished transaction means
// is looked up by its command in the capability tables.
#include <algorithm>
#include <cstring>

#include "engine/command_engine.h"
#include "procedures/capability_script.h"
#include "report/capability_tables.h"
#include "report/log_report.h"

namespace quillfen::report {

namespace {

constexpr std::string_view InPrefix = "IN : ";
constexpr std::string_view OutPrefix = "OUT: ";
constexpr std::string_view AbortedLine = "Aborted by user.";
constexpr std::string_view OpenedPrefix = "Opened COM";
constexpr std::string_view ClosedPrefix = "Closed COM";
constexpr std::string_view StartPrefix = "Start Session - ";
constexpr std::string_view EndPrefix = "End Session - ";
constexpr std::string_view StampSeparator = " - ";
// Parameters beyond this in a range are not expanded: no table goes further.
constexpr unsigned LargestParameterValue = 255;
// How many commands an oddity names before it says "and N more".
constexpr std::size_t NamedCommandsLimit = 6;

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool IsNoise(std::string_view line) {
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if ((byte < 0x20 && byte != '\t') || byte >= 0x7F) return true;
    }
    return false;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '"'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '"'))
        text.remove_suffix(1);
    return text;
}

// The same decision the response reader made when the line arrived.
bool IsFinal(std::string_view line, ResultCode& code) {
    if (line.empty() || static_cast<unsigned char>(line[0]) < 0x20 || static_cast<unsigned char>(line[0]) >= 0x7F)
        return false;
    std::uint8_t text[16] = {};
    std::memcpy(text, line.data(), std::min(line.size(), sizeof text - 1));
    return ClassifyLine(text, code);
}

// "COM1" .. "COM256": the line that opens a capability test.
bool IsPortLine(std::string_view line) {
    if (!StartsWith(line, "COM") || line.size() < 4 || line.size() > 6) return false;
    for (char c : line.substr(3))
        if (c < '0' || c > '9') return false;
    return line[3] != '0';
}

std::string_view StampOf(std::string_view line) {
    std::size_t at = line.find(StampSeparator);
    return at == std::string_view::npos ? std::string_view() : line.substr(at + StampSeparator.size());
}

// The numbers of a class 1 answer; anything else on the line is ignored.
std::vector<Modulation> DecodeRates(std::string_view answer) {
    std::vector<Modulation> rates;
    unsigned value = 0;
    bool inNumber = false;
    auto take = [&] {
        if (!inNumber) return;
        Modulation rate;
        rate.code = value;
        for (const tables::ModulationCode& row : tables::ModulationCodes()) {
            if (row.code == value) {
                rate.name = std::string(row.name);
                rate.bitsPerSecond = row.bitsPerSecond;
            }
        }
        rates.push_back(std::move(rate));
        inNumber = false;
        value = 0;
    };
    for (char c : answer) {
        if (c >= '0' && c <= '9') {
            if (value < 100000) value = value * 10 + static_cast<unsigned>(c - '0');
            inNumber = true;
        } else {
            take();
        }
    }
    take();
    return rates;
}

int HexDigit(char c, bool hex) {
    if (c >= '0' && c <= '9') return c - '0';
    if (!hex) return -1;
    c = Upper(c);
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One group of a range list, "(0,1)", "(0-5)" or "3", into its values.
// Values only from a range are kept only when the table knows them.
void DecodeGroup(std::string_view group, bool hex, const tables::FaxParameterTable* table, FaxParameter& out,
                 std::vector<unsigned>& values) {
    std::size_t at = 0;
    while (at <= group.size()) {
        std::size_t comma = group.find(',', at);
        std::string_view item = group.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at);
        at = comma == std::string_view::npos ? group.size() + 1 : comma + 1;
        unsigned low = 0, high = 0;
        bool haveLow = false, haveHigh = false, dash = false, bad = false;
        for (char c : item) {
            if (c == '(' || c == ')' || c == ' ') continue;
            if (c == '-') {
                dash = true;
                continue;
            }
            int digit = HexDigit(c, hex);
            if (digit < 0) {
                bad = true;
                break;
            }
            unsigned& target = dash ? high : low;
            if (target <= LargestParameterValue) target = target * (hex ? 16 : 10) + static_cast<unsigned>(digit);
            (dash ? haveHigh : haveLow) = true;
        }
        if (bad || !haveLow) continue;
        if (!dash || !haveHigh) high = low;
        high = std::min(high, LargestParameterValue);
        for (unsigned value = low; value <= high; ++value) {
            const tables::ParameterValue* known = nullptr;
            if (table) {
                for (const tables::ParameterValue& row : table->values)
                    if (row.value == value) known = &row;
            }
            if (!known && low != high) continue;
            values.push_back(value);
            out.meanings.push_back(known ? std::string(known->meaning) : "value " + std::to_string(value));
        }
    }
}

ClassTwoRanges DecodeRanges(std::string_view command, std::string_view className, std::string_view answer) {
    ClassTwoRanges ranges;
    ranges.command = std::string(command);
    ranges.answer = std::string(answer);
    // Class 2.0 writes its values in hexadecimal; class 2 in decimal, unless
    // the modem used hex digits anyway.
    bool hex = className == "2.0" || answer.find_first_of("ABCDEFabcdef") != std::string_view::npos;
    std::span<const tables::FaxParameterTable> parameters = tables::FaxParameters();
    std::size_t index = 0;
    std::size_t at = 0;
    while (at < answer.size()) {
        while (at < answer.size() && (answer[at] == ',' || answer[at] == ' '))
            ++at;
        if (at >= answer.size()) break;
        std::size_t end;
        if (answer[at] == '(') {
            end = answer.find(')', at);
            end = end == std::string_view::npos ? answer.size() : end + 1;
        } else {
            end = answer.find(',', at);
            if (end == std::string_view::npos) end = answer.size();
        }
        std::string_view group = answer.substr(at, end - at);
        at = end;
        const tables::FaxParameterTable* table = index < parameters.size() ? &parameters[index] : nullptr;
        FaxParameter parameter;
        parameter.name = table ? std::string(table->name) : "parameter " + std::to_string(index + 1);
        parameter.range = std::string(group);
        parameter.lowestOnly = table && table->lowestOnly;
        std::vector<unsigned> values;
        DecodeGroup(group, hex, table, parameter, values);
        for (unsigned value : values) {
            if (index == tables::BitRateParameter && table) {
                for (const tables::ParameterValue& row : table->values)
                    if (row.value == value)
                        ranges.fastestBitsPerSecond = std::max(ranges.fastestBitsPerSecond, row.bitsPerSecond);
                if (value >= tables::FirstV34BitRate) ranges.v34 = true;
            }
            if (index == tables::ErrorCorrectionParameter && value >= 1) ranges.ecm = true;
        }
        ranges.parameters.push_back(std::move(parameter));
        ++index;
    }
    return ranges;
}

std::string NameList(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size() && i < NamedCommandsLimit; ++i) {
        if (i) text += ", ";
        text += names[i];
    }
    if (names.size() > NamedCommandsLimit)
        text += " and " + std::to_string(names.size() - NamedCommandsLimit) + " more";
    return text;
}

bool IsBatteryCommand(std::string_view command) {
    for (const script::Command& row : script::ClassBattery)
        if (command == row.text) return true;
    return false;
}

class Reader {
public:
    LogFacts Read(std::string_view bytes);

private:
    void TakeLine(std::string_view line);
    void TakeIn(std::string_view text);
    void TakePlain(std::string_view line);
    void EndTransaction(bool aborted);
    void Interpret(Outcome outcome);
    void BeginTest(std::string_view port);
    void EndTest();
    CapabilityTest* Test() { return inTest_ ? &facts_.tests.back() : nullptr; }
    BatteryCount& Battery(CapabilityTest& test);
    void Recommend(CapabilityTest& test);

    LogFacts facts_;
    bool inTest_ = false;
    std::string_view sessionStamp_, openedPort_, openedStamp_;

    // The transaction being read: views into the log's bytes.
    bool open_ = false;
    bool final_ = false;
    ResultCode code_ = 0;
    std::string_view command_;
    std::vector<std::string_view> answer_;

    // Per test.
    std::string className_;
    bool lastClassSeen_ = false;
    std::string_view lastCommand_;
    std::vector<std::string> timeouts_, noisyCommands_;
    unsigned noiseLines_ = 0;
};

LogFacts Reader::Read(std::string_view bytes) {
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find('\n', at);
        std::size_t next = end == std::string_view::npos ? bytes.size() : end + 1;
        std::string_view line = bytes.substr(at, (end == std::string_view::npos ? bytes.size() : end) - at);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ++facts_.lines;
        TakeLine(line);
        at = next;
    }
    EndTransaction(false);
    EndTest();
    return std::move(facts_);
}

void Reader::TakeLine(std::string_view line) {
    if (StartsWith(line, OutPrefix)) {
        EndTransaction(false);
        open_ = true;
        final_ = false;
        command_ = line.substr(OutPrefix.size());
        answer_.clear();
        return;
    }
    if (StartsWith(line, InPrefix)) {
        TakeIn(line.substr(InPrefix.size()));
        return;
    }
    TakePlain(line);
}

void Reader::TakeIn(std::string_view text) {
    // Lines after the final word, or with no command before them, belong to
    // no answer; only noise among them is worth a mention.
    if (!open_ || final_) {
        if (IsNoise(text) && Test()) ++noiseLines_;
        return;
    }
    ResultCode code = 0;
    if (IsFinal(text, code)) {
        final_ = true;
        code_ = code;
        return;
    }
    if (IsNoise(text)) {
        if (Test()) {
            ++noiseLines_;
            if (noisyCommands_.empty() || noisyCommands_.back() != command_) noisyCommands_.emplace_back(command_);
        }
        return;
    }
    // The echo, even when noise came before it.
    if (answer_.empty() && SameText(text, command_)) return;
    answer_.push_back(text);
}

void Reader::TakePlain(std::string_view line) {
    if (line == AbortedLine) {
        EndTransaction(true);
        return;
    }
    EndTransaction(false);
    if (IsPortLine(line)) {
        BeginTest(line);
    } else if (StartsWith(line, OpenedPrefix)) {
        openedPort_ =
            line.substr(OpenedPrefix.size() - 3, line.find(' ', OpenedPrefix.size()) - (OpenedPrefix.size() - 3));
        openedStamp_ = StampOf(line);
    } else if (StartsWith(line, ClosedPrefix)) {
        EndTest();
    } else if (StartsWith(line, StartPrefix)) {
        EndTest();
        sessionStamp_ = line.substr(StartPrefix.size());
    } else if (StartsWith(line, EndPrefix)) {
        EndTest();
        facts_.ended = true;
    } else if (CapabilityTest* test = Test()) {
        for (std::string_view prefix :
             {std::string_view(script::SupportsClass), std::string_view(script::LacksClass)}) {
            if (!StartsWith(line, prefix)) continue;
            std::string_view rest = line.substr(prefix.size());
            ClassVerdict verdict;
            verdict.name = std::string(rest.substr(0, rest.find(',')));
            verdict.supported = prefix == script::SupportsClass;
            if (verdict.name == "2.0") lastClassSeen_ = true;
            test->verdicts.push_back(std::move(verdict));
        }
    }
}

void Reader::EndTransaction(bool aborted) {
    if (!open_) return;
    open_ = false;
    Outcome outcome = aborted      ? Outcome::Aborted
                      : !final_    ? Outcome::NoAnswer
                      : code_ == 0 ? Outcome::Ok
                                   : Outcome::Refused;
    if (Test()) Interpret(outcome);
}

BatteryCount& Reader::Battery(CapabilityTest& test) {
    if (test.batteries.empty() || test.batteries.back().className != className_) {
        test.batteries.emplace_back();
        test.batteries.back().className = className_;
    }
    return test.batteries.back();
}

void Reader::Interpret(Outcome outcome) {
    CapabilityTest& test = *Test();
    std::string_view command = command_;
    lastCommand_ = command;
    std::string_view firstAnswer = answer_.empty() ? std::string_view() : answer_.front();

    if (outcome == Outcome::Aborted) {
        test.aborted = true;
        std::string where = className_.empty() ? std::string() : " in class " + className_;
        test.oddities.push_back({OddityKind::Aborted, "aborted by the user during " + std::string(command) + where});
        if (!className_.empty() && IsBatteryCommand(command)) Battery(test).aborted = true;
        return;
    }

    if (command.size() == 4 && StartsWith(command, "ATI") && command[3] >= '0' && command[3] <= '9') {
        Answer page;
        page.command = std::string(command);
        for (std::string_view line : answer_)
            page.lines.emplace_back(line);
        test.information.push_back(std::move(page));
    } else if (command == "AT+FCLASS=?") {
        test.offered.clear();
        for (std::string_view line : answer_) {
            std::size_t at = 0;
            while (at <= line.size()) {
                std::size_t comma = line.find(',', at);
                std::string_view item =
                    Trim(line.substr(at, comma == std::string_view::npos ? std::string_view::npos : comma - at));
                while (!item.empty() && (item.front() == '('))
                    item.remove_prefix(1);
                while (!item.empty() && (item.back() == ')'))
                    item.remove_suffix(1);
                if (!item.empty()) test.offered.emplace_back(item);
                at = comma == std::string_view::npos ? line.size() + 1 : comma + 1;
            }
        }
    } else if (StartsWith(command, "AT+FCLASS=")) {
        className_ = std::string(command.substr(10));
    } else if (command == script::ResetCommand.text) {
        className_.clear();
        if (lastClassSeen_) test.complete = true;
    } else if (command == "AT+FTM=?" || command == "AT+FRM=?") {
        if (outcome == Outcome::Ok && !firstAnswer.empty()) {
            test.haveClassOne = true;
            (command == "AT+FTM=?" ? test.classOne.transmit : test.classOne.receive) = DecodeRates(firstAnswer);
        }
    }

    for (const tables::RangeQuery& row : tables::RangeQueries()) {
        if (row.command == command && outcome == Outcome::Ok && !firstAnswer.empty())
            test.classTwo.push_back(DecodeRanges(command, row.className, firstAnswer));
    }
    for (const tables::FlowCommand& row : tables::FlowCommands()) {
        if (row.command != command) continue;
        auto family = std::find_if(test.flowControl.begin(), test.flowControl.end(),
                                   [&](const FlowFamily& f) { return f.family == row.family; });
        if (family == test.flowControl.end()) {
            test.flowControl.emplace_back();
            family = test.flowControl.end() - 1;
            family->family = std::string(row.family);
        }
        std::string named = std::string(command) + " (" + std::string(row.meaning) + ")";
        if (outcome == Outcome::Ok) {
            family->accepted.push_back(std::move(named));
            if (row.kind == tables::FlowKind::Hardware) test.hardwareFlowControl = true;
            if (row.kind == tables::FlowKind::Software) test.softwareFlowControl = true;
        } else {
            (outcome == Outcome::Refused ? family->refused : family->noAnswer).push_back(std::move(named));
        }
    }
    for (const tables::IdentityQuery& row : tables::IdentityQueries()) {
        if (row.command != command || outcome != Outcome::Ok) continue;
        std::string_view value = Trim(firstAnswer);
        std::string& field = row.field == tables::IdentityField::Maker   ? test.maker
                             : row.field == tables::IdentityField::Model ? test.model
                                                                         : test.revision;
        if (field.empty() && !value.empty() && !IsNoise(value)) field = std::string(value);
    }

    if (!className_.empty() && IsBatteryCommand(command)) {
        BatteryCount& battery = Battery(test);
        if (outcome == Outcome::Ok) ++battery.ok;
        if (outcome == Outcome::Refused) ++battery.refused;
        if (outcome == Outcome::NoAnswer) {
            ++battery.noAnswer;
            battery.timedOut.emplace_back(command);
        }
    } else if (outcome == Outcome::NoAnswer) {
        timeouts_.emplace_back(command);
    }
}

void Reader::BeginTest(std::string_view port) {
    EndTest();
    facts_.tests.emplace_back();
    inTest_ = true;
    CapabilityTest& test = facts_.tests.back();
    test.port = std::string(port);
    test.time = std::string(openedPort_ == port ? openedStamp_ : sessionStamp_);
    className_.clear();
    lastClassSeen_ = false;
    lastCommand_ = {};
    timeouts_.clear();
    noisyCommands_.clear();
    noiseLines_ = 0;
}

void Reader::EndTest() {
    CapabilityTest* test = Test();
    if (!test) return;
    inTest_ = false;
    if (!timeouts_.empty()) {
        test->oddities.push_back(
            {OddityKind::Timeout, std::to_string(timeouts_.size()) +
                                      " command(s) outside the batteries got no answer: " + NameList(timeouts_)});
    }
    if (noiseLines_ > 0) {
        test->oddities.push_back(
            {OddityKind::LineNoise,
             std::to_string(noiseLines_) + " line(s) of line noise" +
                 (noisyCommands_.empty() ? std::string() : ", in the answers to " + NameList(noisyCommands_))});
    }
    if (!test->complete && !test->aborted) {
        test->oddities.push_back({OddityKind::CutShort, lastCommand_.empty()
                                                            ? std::string("the log ends before the test sent a command")
                                                            : "the log stops after " + std::string(lastCommand_) +
                                                                  "; the rest of the test is missing"});
    }
    if (!test->complete) {
        // A reader should know which classes the verdict could not weigh.
        std::vector<std::string> untried;
        for (const script::Step& step : script::CapabilityScript) {
            if (step.kind != script::StepKind::ClassBlock) continue;
            std::string_view name = std::string_view(step.faxClass->switchCommand.text).substr(10);
            bool seen = std::any_of(test->verdicts.begin(), test->verdicts.end(),
                                    [&](const ClassVerdict& verdict) { return verdict.name == name; });
            if (!seen) untried.emplace_back(name);
        }
        if (!untried.empty()) {
            test->oddities.push_back({test->aborted ? OddityKind::Aborted : OddityKind::CutShort,
                                      "classes not tried: " + NameList(untried)});
        }
    }
    Recommend(*test);
}

// What the verdict weighs, gathered once from a test's facts.
struct Evidence {
    const CapabilityTest& test;
    const ClassTwoRanges* twoZero = nullptr;  // the class 2.0 ranges, when answered
    std::string classOneSpeed;                // ", up to 14400 bit/s"

    bool Supported(std::string_view name) const {
        for (const ClassVerdict& verdict : test.verdicts)
            if (verdict.name == name && verdict.supported) return true;
        return false;
    }
    bool Offered(std::string_view name) const {
        return std::find(test.offered.begin(), test.offered.end(), name) != test.offered.end();
    }
};

// The fax class to give fax software, best first. Class 2.0 with error
// correction lets the modem keep the protocol's timing itself, which suits
// busy hosts and USB links; otherwise class 1 (or its standard form 1.0)
// works with every fax server; the pre-standard class 2 comes last. The
// rows without a class say why there is none.
struct VerdictRule {
    std::string_view bestClass;
    bool (*applies)(const Evidence&);
    std::string (*reason)(const Evidence&);
};

constexpr VerdictRule VerdictRules[] = {
    {"2.0", [](const Evidence& e) { return e.Supported("2.0") && e.twoZero && e.twoZero->ecm; },
     [](const Evidence& e) {
         std::string reason = "the modem runs the fax protocol itself, with error correction (ECM)";
         if (e.twoZero->v34)
             reason += " and V.34 fax up to " + std::to_string(e.twoZero->fastestBitsPerSecond) + " bit/s";
         return reason;
     }},
    {"1.0", [](const Evidence& e) { return e.Supported("1") && e.Offered("1.0"); },
     [](const Evidence& e) {
         return "the standard form of class 1: the fax software drives every page" + e.classOneSpeed;
     }},
    {"1", [](const Evidence& e) { return e.Supported("1"); },
     [](const Evidence& e) {
         return "the fax software drives every page; every fax server supports it" + e.classOneSpeed;
     }},
    {"2.0", [](const Evidence& e) { return e.Supported("2.0"); },
     [](const Evidence&) {
         return std::string("the only standard fax class the modem accepted (no error correction)");
     }},
    {"2", [](const Evidence& e) { return e.Supported("2"); },
     [](const Evidence&) {
         return std::string("only the pre-standard class 2 was accepted; choose a class 2 driver, not 2.0");
     }},
    {"", [](const Evidence& e) { return e.test.aborted || !e.test.complete; },
     [](const Evidence&) { return std::string("the test ended before the fax classes were tried; run it again"); }},
    {"", [](const Evidence& e) { return e.Supported("0"); },
     [](const Evidence&) { return std::string("the modem accepted no fax class: it is a data modem"); }},
    {"", [](const Evidence& e) { return e.test.offered.empty() && !e.test.verdicts.empty(); },
     [](const Evidence&) {
         return std::string("the modem knows no +FCLASS command: a data-only modem that no fax software can use");
     }},
    {"", [](const Evidence&) { return true; },
     [](const Evidence&) { return std::string("the modem accepted no class at all, not even data class 0"); }},
};

void Reader::Recommend(CapabilityTest& test) {
    Evidence evidence{test, nullptr, {}};
    for (const ClassTwoRanges& ranges : test.classTwo)
        if (ranges.command == "AT+FIS=?" || ranges.command == "AT+FCC=?") evidence.twoZero = &ranges;
    unsigned fastest = 0;
    for (const Modulation& rate : test.classOne.transmit)
        fastest = std::max(fastest, rate.bitsPerSecond);
    if (fastest) evidence.classOneSpeed = ", up to " + std::to_string(fastest) + " bit/s";

    for (const VerdictRule& rule : VerdictRules) {
        if (!rule.applies(evidence)) continue;
        test.bestClass = std::string(rule.bestClass);
        test.reason = rule.reason(evidence);
        return;
    }
}

}  // namespace

LogFacts ReadLog(std::string_view bytes) {
    Reader reader;
    return reader.Read(bytes);
}

std::string_view ClassDescription(std::string_view name) {
    for (const tables::ServiceClassName& row : tables::ServiceClassNames())
        if (row.name == name) return row.description;
    return {};
}

}  // namespace quillfen::report
