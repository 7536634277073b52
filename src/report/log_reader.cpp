// SPDX-License-Identifier: MIT
// Walks a log line by line. OUT lines open a transaction, IN lines feed it,
// and any plain line ends it, because the program writes its own remarks
// only after a transaction has returned. What a finished transaction means
// is looked up by its command in one table of command rules; every rule
// that matches a command applies.
#include <algorithm>
#include <cstring>
#include <unordered_set>

#include "engine/command_engine.h"
#include "procedures/capability_script.h"
#include "report/answer_lists.h"
#include "report/capability_tables.h"
#include "report/log_report.h"
#include "report/verdict.h"

namespace quillfen::report {

namespace {

constexpr std::string_view InPrefix = "IN : ";
constexpr std::string_view OutPrefix = "OUT: ";
constexpr std::string_view AbortedLine = "Aborted by user.";
constexpr std::string_view PortPrefix = "COM";
constexpr std::string_view OpenedPrefix = "Opened COM";
constexpr std::string_view ClosedPrefix = "Closed COM";
constexpr std::string_view OpenFailedPrefix = "While trying to open your modem on COM";
constexpr std::string_view StartPrefix = "Start Session - ";
constexpr std::string_view EndPrefix = "End Session - ";
constexpr std::string_view StampSeparator = " - ";
constexpr std::string_view InformationPrefix = "ATI";
constexpr std::string_view ClassListCommand = "AT+FCLASS=?";
constexpr std::string_view TransmitRatesCommand = "AT+FTM=?";
constexpr std::string_view ReceiveRatesCommand = "AT+FRM=?";
// "COM1" to "COM256".
constexpr std::size_t LongestPortNumber = 3;
// How many commands an oddity names before it says "and N more".
constexpr std::size_t NamedCommandsLimit = 6;
// Unanswered commands in a row, up to the end of a test, that mean the
// modem fell silent rather than ignored one command.
constexpr unsigned StoppedAnsweringRun = 2;

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

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
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '"')) text.remove_suffix(1);
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

// A probe's remark as the log shows it: one line, its CR LF (and the
// array's NUL) cut off.
constexpr std::string_view ModemPresentLine(script::ModemPresent, sizeof script::ModemPresent - 3);
constexpr std::string_view ModemAbsentLine(script::ModemAbsent, sizeof script::ModemAbsent - 3);

// The class the script tries last: its verdict line means the class blocks
// all ran.
std::string_view LastScriptClass() {
    std::string_view last;
    for (const script::Step& step : script::CapabilityScript)
        if (step.kind == script::StepKind::ClassBlock) last = script::ClassNameOf(*step.faxClass);
    return last;
}

bool AllDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "COM1" .. "COM256" at the start of text, or empty.
std::string_view PortAt(std::string_view text) {
    if (!StartsWith(text, PortPrefix)) return {};
    std::size_t end = PortPrefix.size();
    while (end < text.size() && end - PortPrefix.size() < LongestPortNumber && text[end] >= '0' && text[end] <= '9')
        ++end;
    if (end == PortPrefix.size() || text[PortPrefix.size()] == '0') return {};
    return text.substr(0, end);
}

// The line that opens a capability test: the port's name alone.
bool IsPortLine(std::string_view line) { return !line.empty() && PortAt(line) == line; }

std::string_view StampOf(std::string_view line) {
    std::size_t at = line.find(StampSeparator);
    return at == std::string_view::npos ? std::string_view() : line.substr(at + StampSeparator.size());
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

// The matchers of the command rules.
bool IsInformationPage(std::string_view command) {
    return command.size() == InformationPrefix.size() + 1 && StartsWith(command, InformationPrefix) &&
           AllDigits(command.substr(InformationPrefix.size()));
}
bool IsClassList(std::string_view command) { return command == ClassListCommand; }
bool IsClassSwitch(std::string_view command) {
    return StartsWith(command, script::ClassSwitchPrefix) && !IsClassList(command);
}
bool IsReset(std::string_view command) { return command == script::ResetCommand.text; }
bool IsClassOneQuery(std::string_view command) {
    return command == TransmitRatesCommand || command == ReceiveRatesCommand;
}
// The commands of one table, hashed: every transaction of a long log asks
// several tables whether they hold its command.
template <typename Rows, typename Key>
std::unordered_set<std::string_view> CommandSet(const Rows& rows, Key key) {
    std::unordered_set<std::string_view> commands;
    for (const auto& row : rows) commands.insert(key(row));
    return commands;
}
constexpr auto CommandOf = [](const auto& row) { return std::string_view(row.command); };
constexpr auto TextOf = [](const script::Command& row) { return std::string_view(row.text); };

// Built once, before any log is read, from tables that are constants.
const struct {
    std::unordered_set<std::string_view> ranges = CommandSet(tables::RangeQueries(), CommandOf);
    std::unordered_set<std::string_view> flow = CommandSet(tables::FlowCommands(), CommandOf);
    std::unordered_set<std::string_view> identity = CommandSet(tables::IdentityQueries(), CommandOf);
    std::unordered_set<std::string_view> battery = CommandSet(script::ClassBattery, TextOf);
} Commands;

bool IsRangeQuery(std::string_view command) { return Commands.ranges.contains(command); }
bool IsFlowCommand(std::string_view command) { return Commands.flow.contains(command); }
bool IsIdentityQuery(std::string_view command) { return Commands.identity.contains(command); }
bool IsBatteryCommand(std::string_view command) { return Commands.battery.contains(command); }

class Reader {
public:
    LogFacts Read(std::string_view bytes);

private:
    // One transaction as the rules see it.
    struct Transaction {
        std::string_view command;
        Outcome outcome;
        const std::vector<std::string_view>& answer;
        std::string_view First() const { return answer.empty() ? std::string_view() : answer.front(); }
    };
    struct CommandRule {
        bool (*matches)(std::string_view command);
        void (Reader::*take)(CapabilityTest& test, const Transaction& transaction);
    };
    static const CommandRule CommandRules[];

    void TakeLine(std::string_view line);
    void TakeIn(std::string_view text);
    void TakePlain(std::string_view line);
    void EndTransaction(bool aborted);
    void Interpret(const Transaction& transaction);
    void BeginTest(std::string_view port);
    void EndTest();
    CapabilityTest* Test() { return inTest_ ? &facts_.tests.back() : nullptr; }
    BatteryCount& Battery(CapabilityTest& test);
    void NoteOddAnswer(CapabilityTest& test, std::string text);
    bool BareOk(CapabilityTest& test, const Transaction& transaction);
    void FindConvention(CapabilityTest& test);
    void LabelFlowControl(CapabilityTest& test);

    void TakeInformationPage(CapabilityTest& test, const Transaction& transaction);
    void TakeClassList(CapabilityTest& test, const Transaction& transaction);
    void TakeClassSwitch(CapabilityTest& test, const Transaction& transaction);
    void TakeReset(CapabilityTest& test, const Transaction& transaction);
    void TakeClassOneRates(CapabilityTest& test, const Transaction& transaction);
    void TakeRanges(CapabilityTest& test, const Transaction& transaction);
    void TakeFlow(CapabilityTest& test, const Transaction& transaction);
    void TakeIdentity(CapabilityTest& test, const Transaction& transaction);
    void TakeBatteryCommand(CapabilityTest& test, const Transaction& transaction);

    LogFacts facts_;
    bool inTest_ = false;
    bool scanSeen_ = false;
    std::string_view sessionStamp_, openedPort_, openedStamp_;

    // The transaction being read: views into the log's bytes.
    bool open_ = false;
    bool final_ = false;
    ResultCode code_ = 0;
    std::string_view command_;
    std::vector<std::string_view> answer_;

    // Per test.
    std::string className_;
    Outcome switchOutcome_ = Outcome::Ok;
    bool lastClassSeen_ = false;
    std::string_view lastCommand_, lastAnswered_;
    unsigned silentRun_ = 0;
    std::size_t timeoutsAtLastAnswer_ = 0;
    std::vector<std::string> timeouts_, noisyCommands_;
    // Flow-control commands in the order tried, labelled once the maker is known.
    struct FlowTry {
        const tables::FlowCommand* row;
        Outcome outcome;
    };
    std::vector<FlowTry> flowTries_;
    unsigned noiseLines_ = 0;
};

const Reader::CommandRule Reader::CommandRules[] = {
    {IsInformationPage, &Reader::TakeInformationPage},
    {IsClassList, &Reader::TakeClassList},
    {IsClassSwitch, &Reader::TakeClassSwitch},
    {IsReset, &Reader::TakeReset},
    {IsClassOneQuery, &Reader::TakeClassOneRates},
    {IsRangeQuery, &Reader::TakeRanges},
    {IsFlowCommand, &Reader::TakeFlow},
    {IsIdentityQuery, &Reader::TakeIdentity},
    {IsBatteryCommand, &Reader::TakeBatteryCommand},
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
    // A port opened by a test or a Send alone is no scan.
    if (!scanSeen_) facts_.scans.clear();
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
    if (Trim(text).empty()) return;
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
        openedPort_ = PortAt(line.substr(OpenedPrefix.size() - PortPrefix.size()));
        openedStamp_ = StampOf(line);
        facts_.scans.push_back({std::string(openedPort_), true, Presence::NotProbed});
    } else if (StartsWith(line, OpenFailedPrefix)) {
        std::string_view port = PortAt(line.substr(OpenFailedPrefix.size() - PortPrefix.size()));
        facts_.scans.push_back({std::string(port), false, Presence::NotProbed});
        scanSeen_ = true;
    } else if (line == ModemPresentLine || line == ModemAbsentLine) {
        if (!facts_.scans.empty())
            facts_.scans.back().presence = line == ModemPresentLine ? Presence::Answered : Presence::Silent;
        scanSeen_ = true;
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
            verdict.status = prefix == script::SupportsClass         ? ClassStatus::Accepted
                             : switchOutcome_ == Outcome::NoAnswer ? ClassStatus::NoAnswer
                                                                   : ClassStatus::Refused;
            if (verdict.name == LastScriptClass()) lastClassSeen_ = true;
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
    if (Test()) Interpret({command_, outcome, answer_});
}

BatteryCount& Reader::Battery(CapabilityTest& test) {
    if (test.batteries.empty() || test.batteries.back().className != className_) {
        test.batteries.emplace_back();
        test.batteries.back().className = className_;
    }
    return test.batteries.back();
}

void Reader::NoteOddAnswer(CapabilityTest& test, std::string text) {
    test.oddities.push_back({OddityKind::OddAnswer, std::move(text)});
}

// A capability query that says OK and nothing else: fax software that asks
// it gets no list to work from.
bool Reader::BareOk(CapabilityTest& test, const Transaction& transaction) {
    if (transaction.outcome != Outcome::Ok || !transaction.answer.empty()) return false;
    NoteOddAnswer(test, std::string(transaction.command.substr(2)) +
                            " answered a bare OK with no list; fax software that asks it will fail");
    return true;
}

void Reader::Interpret(const Transaction& transaction) {
    CapabilityTest& test = *Test();
    lastCommand_ = transaction.command;

    if (transaction.outcome == Outcome::Aborted) {
        test.aborted = true;
        std::string where = className_.empty() ? std::string() : " in class " + className_;
        test.oddities.push_back(
            {OddityKind::Aborted, "aborted by the user during " + std::string(transaction.command) + where});
        if (!className_.empty() && IsBatteryCommand(transaction.command)) Battery(test).aborted = true;
        return;
    }
    if (transaction.outcome == Outcome::NoAnswer) {
        ++silentRun_;
    } else {
        silentRun_ = 0;
        lastAnswered_ = transaction.command;
    }

    for (const CommandRule& rule : CommandRules)
        if (rule.matches(transaction.command)) (this->*rule.take)(test, transaction);

    if (transaction.outcome == Outcome::NoAnswer && (className_.empty() || !IsBatteryCommand(transaction.command)))
        timeouts_.emplace_back(transaction.command);
    if (transaction.outcome != Outcome::NoAnswer) timeoutsAtLastAnswer_ = timeouts_.size();
}

void Reader::TakeInformationPage(CapabilityTest& test, const Transaction& transaction) {
    Answer page;
    page.command = std::string(transaction.command);
    page.outcome = transaction.outcome;
    for (std::string_view line : transaction.answer) page.lines.emplace_back(line);
    test.information.push_back(std::move(page));
}

void Reader::TakeClassList(CapabilityTest& test, const Transaction& transaction) {
    if (transaction.outcome != Outcome::Ok || BareOk(test, transaction)) return;
    test.offered.clear();
    for (std::string_view line : transaction.answer) {
        for (std::string& item : ExpandList(line)) test.offered.push_back(std::move(item));
    }
}

void Reader::TakeClassSwitch(CapabilityTest&, const Transaction& transaction) {
    className_ = std::string(transaction.command.substr(script::ClassSwitchPrefix.size()));
    switchOutcome_ = transaction.outcome;
}

void Reader::TakeReset(CapabilityTest& test, const Transaction&) {
    className_.clear();
    if (lastClassSeen_) test.complete = true;
}

void Reader::TakeClassOneRates(CapabilityTest& test, const Transaction& transaction) {
    if (transaction.outcome != Outcome::Ok || BareOk(test, transaction)) return;
    if (!test.classOne) test.classOne.emplace();
    ClassOneRates& rates = *test.classOne;
    (transaction.command == TransmitRatesCommand ? rates.transmit : rates.receive) = DecodeRates(transaction.First());
    rates.fastest.reset();
    for (const Modulation& rate : rates.transmit)
        if (rate.bitsPerSecond > 0 && (!rates.fastest || rate.bitsPerSecond > rates.fastest->bitsPerSecond))
            rates.fastest = rate;
}

void Reader::TakeRanges(CapabilityTest& test, const Transaction& transaction) {
    if (transaction.outcome != Outcome::Ok || BareOk(test, transaction)) return;
    for (const tables::RangeQuery& row : tables::RangeQueries()) {
        if (row.command != transaction.command) continue;
        std::string problem;
        test.classTwo.push_back(DecodeRanges(transaction.command, row.className, transaction.First(), problem));
        if (!problem.empty()) NoteOddAnswer(test, std::move(problem));
    }
}

void Reader::TakeFlow(CapabilityTest&, const Transaction& transaction) {
    for (const tables::FlowCommand& row : tables::FlowCommands())
        if (row.command == transaction.command) flowTries_.push_back({&row, transaction.outcome});
}

void Reader::TakeIdentity(CapabilityTest& test, const Transaction& transaction) {
    if (transaction.outcome != Outcome::Ok) return;
    for (const tables::IdentityQuery& row : tables::IdentityQueries()) {
        if (row.command != transaction.command) continue;
        std::string_view value = Trim(StripParameterName(transaction.First()));
        std::string& field = row.field == tables::IdentityField::Maker   ? test.maker
                             : row.field == tables::IdentityField::Model ? test.model
                                                                         : test.revision;
        if (field.empty() && !value.empty() && !IsNoise(value)) field = std::string(value);
    }
}

void Reader::TakeBatteryCommand(CapabilityTest& test, const Transaction& transaction) {
    if (className_.empty()) return;
    BatteryCount& battery = Battery(test);
    if (transaction.outcome == Outcome::Ok) ++battery.ok;
    if (transaction.outcome == Outcome::Refused) ++battery.refused;
    if (transaction.outcome == Outcome::NoAnswer) {
        ++battery.noAnswer;
        battery.timedOut.emplace_back(transaction.command);
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
    switchOutcome_ = Outcome::Ok;
    lastClassSeen_ = false;
    lastCommand_ = lastAnswered_ = {};
    silentRun_ = 0;
    timeoutsAtLastAnswer_ = 0;
    timeouts_.clear();
    noisyCommands_.clear();
    flowTries_.clear();
    noiseLines_ = 0;
}

// The maker whose manual tells what the flow-control commands mean: the
// one the identity queries name, else one an ATI page names.
void Reader::FindConvention(CapabilityTest& test) {
    std::string upper;
    auto take = [&](std::string_view text) {
        upper.assign(text);
        std::transform(upper.begin(), upper.end(), upper.begin(), Upper);
        for (const tables::MakerName& maker : tables::MakerNames()) {
            for (std::string_view pattern : maker.patterns) {
                if (upper.find(pattern) == std::string::npos) continue;
                test.convention = std::string(maker.shown);
                return true;
            }
        }
        return false;
    };
    if (take(test.maker) || take(test.model)) return;
    for (const Answer& page : test.information)
        for (const std::string& line : page.lines)
            if (take(line)) return;
}

void Reader::LabelFlowControl(CapabilityTest& test) {
    const tables::MakerName* maker = nullptr;
    for (const tables::MakerName& row : tables::MakerNames())
        if (row.shown == test.convention) maker = &row;
    for (const FlowTry& attempt : flowTries_) {
        auto family = std::find_if(test.flowControl.begin(), test.flowControl.end(),
                                   [&](const FlowFamily& f) { return f.family == attempt.row->family; });
        if (family == test.flowControl.end()) {
            test.flowControl.emplace_back();
            family = test.flowControl.end() - 1;
            family->family = std::string(attempt.row->family);
        }
        const tables::FlowMeaning* meaning = nullptr;
        for (const tables::FlowMeaning& row : attempt.row->meanings)
            if (maker && row.maker == maker->maker) meaning = &row;
        std::string named(attempt.row->command);
        if (meaning) named += " (" + std::string(meaning->meaning) + ")";
        // Known once one of the maker's own commands for it was tried:
        // accepted when any of them was.
        std::optional<bool>* kind = !meaning                                     ? nullptr
                                    : meaning->kind == tables::FlowKind::Hardware ? &test.hardwareFlowControl
                                    : meaning->kind == tables::FlowKind::Software ? &test.softwareFlowControl
                                                                                  : nullptr;
        if (kind && attempt.outcome != Outcome::Aborted) *kind = kind->value_or(false) || attempt.outcome == Outcome::Ok;
        if (attempt.outcome == Outcome::Ok) {
            family->accepted.push_back(std::move(named));
        } else if (attempt.outcome != Outcome::Aborted) {
            (attempt.outcome == Outcome::Refused ? family->refused : family->noAnswer).push_back(std::move(named));
        }
    }
}

void Reader::EndTest() {
    CapabilityTest* test = Test();
    if (!test) return;
    inTest_ = false;
    FindConvention(*test);
    LabelFlowControl(*test);
    // Silence from some command to the end is a modem that went away (a
    // hang-up, a pulled cable), not a row of commands it did not know.
    if (!test->aborted && silentRun_ >= StoppedAnsweringRun && !lastAnswered_.empty()) {
        test->stoppedAfter = std::string(lastAnswered_);
        test->complete = false;
        timeouts_.resize(timeoutsAtLastAnswer_);
    }
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
    if (!test->stoppedAfter.empty()) {
        test->oddities.push_back(
            {OddityKind::CutShort, "cut short: the modem stopped answering after " + test->stoppedAfter});
    } else if (!test->complete && !test->aborted) {
        test->oddities.push_back({OddityKind::CutShort, lastCommand_.empty()
                                                            ? std::string("the log ends before the test sent a command")
                                                            : "the log stops after " + std::string(lastCommand_) +
                                                                  "; the rest of the test is missing"});
    }
    Recommend(*test);
    if (!test->verdict.untried.empty()) {
        test->oddities.push_back({test->aborted ? OddityKind::Aborted : OddityKind::CutShort,
                                  "classes not tried: " + NameList(test->verdict.untried)});
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
