// Reading a finished session log back into facts about the modem.
// Owns nothing but the facts it returns: ReadLog takes the bytes of any
// Quillfen log (complete, aborted or cut short, CR LF or bare LF) and finds
// every capability test in it. A caller may rely on: any input is read to
// its end without a crash; unknown or garbled lines are skipped or counted
// as oddities, never fatal. The text and JSON forms are made here too, so
// every front end shows the same report.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::report {

// How a command's transaction ended, as the log shows it.
enum class Outcome : std::uint8_t { Ok, Refused, NoAnswer, Aborted };

struct Answer {
    std::string command;             // "ATI3"
    std::vector<std::string> lines;  // what the modem said besides the echo and the final word
};

struct Modulation {
    unsigned code = 0;  // as +FTM=? lists it: 24, 146, ...
    std::string name;   // "V.17"; empty for a code we do not know
    unsigned bitsPerSecond = 0;
};

// The answer of +FTM=?/+FRM=? decoded.
struct ClassOneRates {
    std::vector<Modulation> transmit;
    std::vector<Modulation> receive;
};

// One parameter of a +FDIS=?/+FIS=?/+FCC=? answer: the raw range and what
// its values mean.
struct FaxParameter {
    std::string name;                   // "resolution"
    std::string range;                  // "(0-5)"
    std::vector<std::string> meanings;  // "fine (196 lpi)", ...
    bool lowestOnly = false;            // only the first meaning matters to a reader (scan time)
};

struct ClassTwoRanges {
    std::string command;  // "AT+FIS=?"
    std::string answer;   // the raw answer line
    std::vector<FaxParameter> parameters;
    unsigned fastestBitsPerSecond = 0;
    bool v34 = false;
    bool ecm = false;
};

struct ClassVerdict {
    std::string name;  // "0", "1", "2", "2.0"
    bool supported = false;
};

struct BatteryCount {
    std::string className;
    unsigned ok = 0;
    unsigned refused = 0;   // a final answer other than OK
    unsigned noAnswer = 0;  // ran into its timeout
    std::vector<std::string> timedOut;
    bool aborted = false;
};

struct FlowFamily {
    std::string family;                 // "&Kn"
    std::vector<std::string> accepted;  // "AT&K3 (RTS/CTS)"
    std::vector<std::string> refused;
    std::vector<std::string> noAnswer;
};

enum class OddityKind : std::uint8_t { Aborted, CutShort, LineNoise, Timeout };

struct Oddity {
    OddityKind kind;
    std::string text;
};

struct CapabilityTest {
    std::string port;  // "COM1"
    std::string time;  // "Sun Dec 06 06:40:55 2026", empty when the log gives none
    std::string maker, model, revision;
    std::vector<Answer> information;     // ATI0..ATI7 as given
    std::vector<std::string> offered;    // the +FCLASS=? list
    std::vector<ClassVerdict> verdicts;  // the script's own verdict lines
    bool haveClassOne = false;
    ClassOneRates classOne;
    std::vector<ClassTwoRanges> classTwo;  // class 2 and class 2.0 answers
    std::vector<FlowFamily> flowControl;
    bool hardwareFlowControl = false;
    bool softwareFlowControl = false;
    std::vector<BatteryCount> batteries;
    std::vector<Oddity> oddities;
    bool complete = false;
    bool aborted = false;
    std::string bestClass;  // empty: no fax class to recommend
    std::string reason;
};

struct LogFacts {
    bool ended = false;  // the End Session line is there
    unsigned lines = 0;
    std::vector<CapabilityTest> tests;
};

LogFacts ReadLog(std::string_view bytes);

// The report for people: one block per test, named after the log file.
std::string FormatText(const LogFacts& facts, std::string_view fileName);
// One line per test: port, file, result and verdict, for a bank's summary.
std::string FormatSummaryLine(const LogFacts& facts, std::string_view fileName);
// One JSON object for a log; JsonDocument wraps several into {"logs":[...]}.
std::string FormatJson(const LogFacts& facts, std::string_view fileName);
std::string JsonDocument(const std::vector<std::string>& logObjects);

// The class text used in verdicts and lists: "1.0" -> "class 1.0 (T.31)".
std::string_view ClassDescription(std::string_view name);

}  // namespace quillfen::report
