// SPDX-License-Identifier: MIT
// Reading a finished session log back into facts about the modem.
// Owns nothing but the facts it returns: ReadLog takes the bytes of any
// Quillfen log (complete, aborted or cut short, CR LF or bare LF) and finds
// every capability test and every scanned port in it. A caller may rely on:
// any input is read to its end without a crash; unknown or garbled lines are
// skipped or counted as oddities, never fatal; every fact, the verdict
// included, is settled here, so the text and the JSON form only write out
// the same facts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillfen::report {

// How a command's transaction ended, as the log shows it.
enum class Outcome : std::uint8_t { Ok, Refused, NoAnswer, Aborted };

struct Answer {
    std::string command;             // "ATI3"
    Outcome outcome = Outcome::Ok;
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
    std::optional<Modulation> fastest;  // of transmit
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
    std::string className;  // "2" or "2.0"
    std::string command;    // "AT+FIS=?"
    std::string answer;     // the raw answer line
    // False when the answer is not a range list we can read (a wrong number
    // of groups, a value its field does not have): then nothing is decoded
    // and an oddity says why.
    bool decoded = false;
    std::vector<FaxParameter> parameters;
    unsigned fastestBitsPerSecond = 0;
    bool v34 = false;
    bool ecm = false;
};

// What became of a class the script switched to. The script's own line
// says only "does not support"; the switch command's answer tells a refusal
// from silence.
enum class ClassStatus : std::uint8_t { Accepted, Refused, NoAnswer };

struct ClassVerdict {
    std::string name;  // "0", "1", "2", "2.0"
    ClassStatus status = ClassStatus::Refused;
};

struct BatteryCount {
    std::string className;
    unsigned ok = 0;
    unsigned refused = 0;   // a final answer other than OK
    unsigned noAnswer = 0;  // ran into its timeout
    std::vector<std::string> timedOut;
    bool aborted = false;
};

// One family of flow-control commands. A command is named with its
// meaning only when the identity answers name a maker whose manual gives it
// one: "AT&K3 (RTS/CTS)".
struct FlowFamily {
    std::string family;  // "&Kn"
    std::vector<std::string> accepted;
    std::vector<std::string> refused;
    std::vector<std::string> noAnswer;
};

enum class OddityKind : std::uint8_t { Aborted, CutShort, LineNoise, Timeout, OddAnswer };

struct Oddity {
    OddityKind kind;
    std::string text;
};

// What one fax program should be told.
struct ProgramSetting {
    std::string program;    // "HylaFAX"
    std::string className;  // empty: the program drives none of the modem's classes
    std::string setting;    // "ModemType: Class1.0", or why there is none
    std::string manual;     // where the program documents it
};

struct Verdict {
    std::string faxClass;  // empty: no fax class to recommend
    std::string reason;
    std::string alternativeClass;  // empty: none
    std::string alternativeReason;
    std::vector<ProgramSetting> settings;
    // Classes an aborted or cut-short test never tried: the verdict is
    // provisional while there are any.
    std::vector<std::string> untried;
};

struct CapabilityTest {
    std::string port;  // "COM1"
    std::string time;  // "Sun Dec 06 06:40:55 2026", empty when the log gives none
    std::string maker, model, revision;
    std::string convention;              // the maker whose flow-control meanings apply; empty: none known
    std::vector<Answer> information;     // ATI0..ATI7 as given
    std::vector<std::string> offered;    // the +FCLASS=? list, ranges expanded
    std::vector<ClassVerdict> verdicts;  // the script's own verdict lines
    std::optional<ClassOneRates> classOne;
    std::vector<ClassTwoRanges> classTwo;  // class 2 and class 2.0 answers
    std::vector<FlowFamily> flowControl;
    std::optional<bool> hardwareFlowControl;  // unknown without a maker's convention
    std::optional<bool> softwareFlowControl;
    std::vector<BatteryCount> batteries;
    std::vector<Oddity> oddities;
    bool complete = false;
    bool aborted = false;
    std::string stoppedAfter;  // the last command answered before the modem fell silent
    Verdict verdict;
};

// One port of a Find All Modems or Fax Test All Modems scan.
enum class Presence : std::uint8_t { NotProbed, Answered, Silent };
struct PortScan {
    std::string port;  // "COM2"
    bool opened = false;
    Presence presence = Presence::NotProbed;
};

struct LogFacts {
    bool ended = false;  // the End Session line is there
    unsigned lines = 0;
    std::vector<CapabilityTest> tests;
    std::vector<PortScan> scans;  // empty when the log holds no scan
};

LogFacts ReadLog(std::string_view bytes);

// The report for people: one block per test, named after the log file.
// A session that is still running has no End Session line yet, and that is
// not a fault: sessionOpen says so.
std::string FormatText(const LogFacts& facts, std::string_view fileName, bool sessionOpen = false);
// One line per test: port, file, result and verdict, for a bank's summary.
std::string FormatSummaryLine(const LogFacts& facts, std::string_view fileName);
// One JSON object for a log; JsonDocument wraps several into {"logs":[...]}.
// Strings are UTF-8; a byte that is not is replaced by U+FFFD.
std::string FormatJson(const LogFacts& facts, std::string_view fileName);
std::string JsonDocument(const std::vector<std::string>& logObjects);

// The class text used in verdicts and lists: "1.0" -> "fax class 1.0 (T.31)".
std::string_view ClassDescription(std::string_view name);

}  // namespace quillfen::report
