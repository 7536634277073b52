// SPDX-License-Identifier: MIT
// The capability report read from real logs: the golden fax log, logs of the
// simulator's modems of their own and of real modems as public documents
// show them, the odd answer forms manuals describe, a noisy line on a real
// pty, and logs cut short, aborted, fallen silent or converted to bare LF on
// the way to the reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "app/application.h"
#include "report/log_report.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

namespace quillfen::report {
namespace {

using test::ReadFile;

std::string DataLog(const std::string& name) {
    std::string bytes = ReadFile(std::string(QUILLFEN_TESTDATA_DIR) + "/" + name);
    EXPECT_FALSE(bytes.empty()) << name;
    return bytes;
}

const ClassVerdict* Verdict(const CapabilityTest& test, const std::string& name) {
    for (const ClassVerdict& verdict : test.verdicts)
        if (verdict.name == name) return &verdict;
    return nullptr;
}

const FaxParameter* Parameter(const ClassTwoRanges& ranges, const std::string& name) {
    for (const FaxParameter& parameter : ranges.parameters)
        if (parameter.name == name) return &parameter;
    return nullptr;
}

std::vector<std::string> Split(const std::string& list) {
    std::vector<std::string> items;
    std::size_t at = 0;
    while (!list.empty() && at <= list.size()) {
        std::size_t comma = list.find(',', at);
        items.push_back(list.substr(at, comma == std::string::npos ? std::string::npos : comma - at));
        at = comma == std::string::npos ? list.size() + 1 : comma + 1;
    }
    return items;
}

std::string Accepted(const CapabilityTest& test) {
    std::string names;
    for (const ClassVerdict& verdict : test.verdicts)
        if (verdict.status == ClassStatus::Accepted) names += (names.empty() ? "" : ",") + verdict.name;
    return names;
}

std::string SettingOf(const CapabilityTest& test, const std::string& program) {
    for (const ProgramSetting& setting : test.verdict.settings)
        if (setting.program == program) return setting.setting;
    return "(none)";
}

bool Has(const std::vector<std::string>& items, const std::string& item) {
    return std::find(items.begin(), items.end(), item) != items.end();
}

bool HasOddity(const CapabilityTest& test, OddityKind kind, const std::string& text = "") {
    for (const Oddity& oddity : test.oddities)
        if (oddity.kind == kind && oddity.text.find(text) != std::string::npos) return true;
    return false;
}

void Replace(std::string& text, const std::string& from, const std::string& to) {
    std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    text.replace(at, from.size(), to);
}

TEST(LogReport, GoldenFaxLogNamesEveryClassWithItsDecodedCapabilities) {
    LogFacts facts = ReadLog(DataLog("capability_fax.log"));
    EXPECT_TRUE(facts.ended);
    ASSERT_EQ(facts.tests.size(), 1u);
    const CapabilityTest& test = facts.tests[0];
    EXPECT_EQ(test.port, "COM1");
    EXPECT_EQ(test.time, "<stamp>") << "the golden log's stamps are masked";
    EXPECT_TRUE(test.complete);
    EXPECT_FALSE(test.aborted);
    EXPECT_TRUE(test.oddities.empty());

    EXPECT_EQ(test.maker, "Quillfen") << "quotes of the class 2 answer are dropped";
    EXPECT_EQ(test.model, "QF-5690 Fax");
    EXPECT_EQ(test.revision, "1.04");
    ASSERT_EQ(test.information.size(), 8u);
    EXPECT_EQ(test.information[3].command, "ATI3");
    EXPECT_EQ(test.information[3].lines, std::vector<std::string>{"Quillfen Simulated V.90 Fax Modem"});

    EXPECT_EQ(test.offered, (std::vector<std::string>{"0", "1", "1.0", "2", "2.0"}));
    for (const char* name : {"0", "1", "2", "2.0"}) {
        ASSERT_NE(Verdict(test, name), nullptr) << name;
        EXPECT_EQ(Verdict(test, name)->status, ClassStatus::Accepted) << name;
    }

    ASSERT_TRUE(test.classOne);
    ASSERT_EQ(test.classOne->transmit.size(), 12u);
    EXPECT_EQ(test.classOne->transmit.front().name, "V.27ter");
    EXPECT_EQ(test.classOne->transmit.back().name, "V.17");
    EXPECT_EQ(test.classOne->transmit.back().bitsPerSecond, 14400u);

    ASSERT_EQ(test.classTwo.size(), 2u);
    EXPECT_EQ(test.classTwo[0].command, "AT+FDIS=?");
    EXPECT_EQ(test.classTwo[0].fastestBitsPerSecond, 14400u);
    EXPECT_FALSE(test.classTwo[0].ecm);
    EXPECT_FALSE(test.classTwo[0].v34);
    const FaxParameter* widths = Parameter(test.classTwo[1], "page width");
    ASSERT_NE(widths, nullptr);
    EXPECT_EQ(widths->meanings.size(), 5u) << "class 2.0 offers (0-4)";

    EXPECT_FALSE(test.hardwareFlowControl.has_value()) << "no maker is named, so no meaning is claimed";
    ASSERT_EQ(test.flowControl.size(), 4u);
    EXPECT_EQ(test.flowControl[1].family, "&En");
    EXPECT_TRUE(test.flowControl[1].accepted.empty());
    EXPECT_EQ(test.flowControl[1].refused.size(), 2u);

    ASSERT_EQ(test.batteries.size(), 4u);
    EXPECT_EQ(test.batteries[0].className, "0");
    EXPECT_EQ(test.batteries[0].ok + test.batteries[0].refused, 21u);
    EXPECT_EQ(test.batteries[3].className, "2.0");
    EXPECT_EQ(test.batteries[3].ok, 17u);

    // Class 2.0 without error correction loses to the standard class 1.
    EXPECT_EQ(test.verdict.faxClass, "1.0");

    std::string text = FormatText(facts, "Modem001.txt");
    for (const char* words : {"Class 1/1.0 send", "V.17 7200, 9600, 12000, 14400",
                              "Class 2:", "Class 2.0:", "MH (1-D), MR (2-D)", "configure fax software for class 1.0"}) {
        EXPECT_NE(text.find(words), std::string::npos) << words;
    }
}

TEST(LogReport, ModemsOfTheirOwnGetTheVerdictTheirAnswersCallFor) {
    LogFacts usb = ReadLog(DataLog("report_usbclass1.log"));
    ASSERT_EQ(usb.tests.size(), 1u);
    EXPECT_TRUE(Has(usb.tests[0].offered, "8"));
    EXPECT_TRUE(usb.tests[0].classTwo.empty());
    EXPECT_EQ(usb.tests[0].verdict.faxClass, "1.0");
    EXPECT_TRUE(usb.tests[0].maker.empty()) << "it answers none of the battery's identity queries";

    LogFacts v34 = ReadLog(DataLog("report_v34fax.log"));
    ASSERT_EQ(v34.tests.size(), 1u);
    const CapabilityTest& fax = v34.tests[0];
    ASSERT_EQ(fax.classTwo.size(), 1u);
    EXPECT_EQ(fax.classTwo[0].command, "AT+FIS=?");
    EXPECT_TRUE(fax.classTwo[0].v34);
    EXPECT_TRUE(fax.classTwo[0].ecm);
    EXPECT_EQ(fax.classTwo[0].fastestBitsPerSecond, 33600u) << "class 2.0 ranges are hexadecimal: (0-D)";
    EXPECT_TRUE(Has(Parameter(fax.classTwo[0], "compression")->meanings, "MMR (T.6)"));
    EXPECT_EQ(fax.verdict.faxClass, "1") << "class 1 ranks above class 2.0";
    EXPECT_EQ(fax.verdict.alternativeClass, "2.0");
    EXPECT_NE(fax.verdict.alternativeReason.find("with ECM and V.34 fax up to 33600 bit/s"), std::string::npos);
    EXPECT_EQ(fax.model, "QF-3400 V.34 Fax");

    LogFacts data = ReadLog(DataLog("report_dataonly.log"));
    ASSERT_EQ(data.tests.size(), 1u);
    EXPECT_TRUE(data.tests[0].offered.empty());
    EXPECT_TRUE(data.tests[0].verdict.faxClass.empty());
    EXPECT_NE(data.tests[0].verdict.reason.find("+FCLASS"), std::string::npos);
    EXPECT_TRUE(data.tests[0].batteries.empty());
}

TEST(LogReport, FindLogListsEachPortAndWhetherAModemAnswered) {
    LogFacts facts = ReadLog(DataLog("find_all_modems.log"));
    EXPECT_TRUE(facts.ended);
    EXPECT_TRUE(facts.tests.empty());
    ASSERT_EQ(facts.scans.size(), 4u);
    EXPECT_EQ(facts.scans[0].presence, Presence::Answered);
    EXPECT_FALSE(facts.scans[1].opened);
    EXPECT_EQ(facts.scans[2].port, "COM3");
    EXPECT_NE(FormatSummaryLine(facts, "Modem002.txt").find("no capability test"), std::string::npos);
    const std::string text = FormatText(facts, "Modem002.txt");
    EXPECT_NE(text.find("4 port(s) scanned"), std::string::npos);
    EXPECT_NE(text.find("Scanned COM2:        could not be opened"), std::string::npos);
    EXPECT_NE(text.find("Scanned COM3:        opened; a modem answered"), std::string::npos);
    EXPECT_TRUE(ReadLog(DataLog("report_v34fax.log")).scans.empty()) << "a test alone is no scan";
}

TEST(LogReport, BareLineFeedsGiveTheSameFacts) {
    std::string bytes = DataLog("report_v34fax.log");
    std::string bare;
    for (char c : bytes)
        if (c != '\r') bare += c;
    EXPECT_EQ(FormatJson(ReadLog(bare), "x"), FormatJson(ReadLog(bytes), "x"));
}

TEST(LogReport, AbortedTimedOutAndCutLogsAreNamedAsSuch) {
    const std::string golden = DataLog("capability_fax.log");

    // An abort in class 1's battery: the script's reset is stopped too.
    std::string aborted = golden.substr(0, golden.find("OUT: ATX2\r\n", golden.find("supports Class 1,")));
    aborted +=
        "OUT: ATX2\r\nIN : ATX2\r\nAborted by user.\r\nReset the modem:\r\nOUT: AT&F\r\nAborted by user.\r\n"
        "Closed COM1 - <stamp>\r\nEnd Session - <stamp>\r\n";
    LogFacts facts = ReadLog(aborted);
    ASSERT_EQ(facts.tests.size(), 1u);
    const CapabilityTest& stopped = facts.tests[0];
    EXPECT_TRUE(stopped.aborted);
    EXPECT_FALSE(stopped.complete);
    EXPECT_TRUE(HasOddity(stopped, OddityKind::Aborted, "during ATX2 in class 1"));
    EXPECT_TRUE(HasOddity(stopped, OddityKind::Aborted, "classes not tried: 2, 2.0"));
    ASSERT_EQ(stopped.batteries.size(), 2u);
    EXPECT_TRUE(stopped.batteries[1].aborted);
    EXPECT_FALSE(HasOddity(stopped, OddityKind::CutShort)) << "an abort is not a cut";
    EXPECT_EQ(stopped.verdict.faxClass, "1.0");
    EXPECT_NE(FormatText(facts, "a").find("class 1.0: the standard form of class 1 (T.31): the fax software drives every "
                                          "page, up to 14400 bit/s (provisional: classes 2, 2.0 not tried)"),
              std::string::npos);

    // Silence after AT&V and after a battery command.
    std::string silent = golden;
    Replace(silent, "IN : 2=                                  3=\r\nIN : OK\r\n",
            "IN : 2=                                  3=\r\n");
    Replace(silent, "OUT: ATX4\r\nIN : ATX4\r\nIN : OK\r\n", "OUT: ATX4\r\nIN : ATX4\r\n");
    facts = ReadLog(silent);
    ASSERT_EQ(facts.tests.size(), 1u);
    EXPECT_TRUE(HasOddity(facts.tests[0], OddityKind::Timeout, "AT&V"));
    EXPECT_FALSE(HasOddity(facts.tests[0], OddityKind::Timeout, "ATX4")) << "the battery counts its own";
    EXPECT_EQ(facts.tests[0].batteries[0].timedOut, std::vector<std::string>{"ATX4"});
    EXPECT_EQ(facts.tests[0].batteries[0].noAnswer, 1u);

    // A full disk: the file stops in the middle of class 2.
    std::string cut = golden.substr(0, golden.find("IN : (0,1),(0-5),(0-2)"));
    facts = ReadLog(cut);
    EXPECT_FALSE(facts.ended);
    ASSERT_EQ(facts.tests.size(), 1u);
    EXPECT_TRUE(HasOddity(facts.tests[0], OddityKind::CutShort, "AT+FDIS=?"));
    EXPECT_TRUE(HasOddity(facts.tests[0], OddityKind::CutShort, "classes not tried: 2.0"));
    EXPECT_TRUE(facts.tests[0].classTwo.empty()) << "an answer without its OK is not a range list";
    EXPECT_NE(FormatText(facts, "cut.txt").find("cut short"), std::string::npos);
}

// Logs of the simulator's real:NAME profiles, against what each modem's
// sources say: the classes (modems.db's +FCLASS=? and ATI pages, the class
// of HylaFAX's prototype for it), the maker whose flow-control convention
// applies, and the setting each fax program needs.
TEST(LogReport, RealModemsGetWhatTheirSourcesSay) {
    struct RealModem {
        const char* name;
        const char* convention;
        const char* offered;
        const char* accepted;
        const char* choice;
        const char* alternative;
        const char* hylafax;
        const char* mgetty;
        const char* efax;
        const char* flowNamed;  // an accepted command named with its maker's meaning
    };
    const RealModem modems[] = {
        // modems.db ati7 "Fax Options Class 1/Class 2.0"; HylaFAX usr-rts, usr-2.0.
        {"usr-courier-v34", "", "0,1,2.0", "0,1,2.0", "1", "2.0", "ModemType: Class1", "modem-type c2.0", "-o1",
         "AT&H1"},
        {"usr-sportster-v34", "U.S. Robotics", "0,1,2.0", "0,1,2.0", "1", "2.0", "ModemType: Class1",
         "modem-type c2.0", "-o1", "AT&H1 (transmit CTS)"},
        // HylaFAX zyxel-1496e-2.0: Class2.0 from firmware 6.12; &K is compression there.
        {"zyxel-u1496eg", "ZyXEL", "0,2,2.0,8", "0,2,2.0", "2.0", "2", "ModemType: Class2.0", "modem-type c2.0",
         "-o0", "AT&K4 (error correction and compression, not flow control)"},
        // HylaFAX telebit-t3000: Class2, flow control through S58 only.
        {"telebit-t3000", "Telebit", "0,2", "0,2", "2", "", "ModemType: Class2", "modem-type cls2", "-o2", ""},
        // HylaFAX mt-1432: Class2 with &E4/&E5.
        {"multitech-mt1432", "Multi-Tech", "0,2", "0,2", "2", "", "ModemType: Class2", "modem-type cls2", "-o2",
         "AT&E4 (RTS/CTS)"},
        // HylaFAX lucent (CLASS1), lucent-mt-2 (CLASS2), lucent-mt-20 (CLASS2.0).
        {"multitech-mt5634zba", "Multi-Tech", "0,1,2,2.0", "0,1,2,2.0", "1", "2.0", "ModemType: Class1",
         "modem-type c2.0", "-o1", "AT&K3 (RTS/CTS)"},
        {"creatix-rc32acl", "Rockwell/Conexant", "0,1,2,8", "0,1,2", "1", "2", "ModemType: Class1",
         "modem-type cls2", "-o1", "AT\\Q3 (RTS/CTS)"},
        {"ppi-pm14400fxmt", "Practical Peripherals", "0,1,2", "0,1,2", "1", "2", "ModemType: Class1",
         "modem-type cls2", "-o1", "AT&K4 (XON/XOFF)"},
        {"hayes-optima-336", "Hayes", "0,2", "0,2", "2", "", "ModemType: Class2", "modem-type cls2", "-o2",
         "AT&K3 (RTS/CTS)"},
        // modems.db: "AT+FCLASS=? 0,2,8", modem-type cls2; HylaFAX davicom-2.
        {"davicom-dm336p", "Davicom", "0,2,8", "0,2", "2", "", "ModemType: Class2", "modem-type cls2", "-o2",
         "AT&K3 (RTS/CTS)"},
        // modems.db: "AT+FCLASS=? 0,1,1.0,80"; mgetty drives no class 1.
        {"etech-e336rvp", "Rockwell/Conexant", "0,1,1.0,80", "0,1", "1.0", "", "ModemType: Class1.0", "none:",
         "-o1", "AT&K3 (RTS/CTS)"},
    };
    for (const RealModem& modem : modems) {
        SCOPED_TRACE(modem.name);
        LogFacts facts = ReadLog(DataLog(std::string("real_") + modem.name + ".log"));
        ASSERT_EQ(facts.tests.size(), 1u);
        const CapabilityTest& test = facts.tests[0];
        EXPECT_TRUE(test.complete);
        EXPECT_EQ(test.convention, modem.convention);
        EXPECT_EQ(test.offered, Split(modem.offered));
        EXPECT_EQ(Accepted(test), modem.accepted);
        EXPECT_EQ(test.verdict.faxClass, modem.choice);
        EXPECT_EQ(test.verdict.alternativeClass, modem.alternative);
        EXPECT_EQ(SettingOf(test, "HylaFAX"), modem.hylafax);
        EXPECT_EQ(SettingOf(test, "mgetty/sendfax").rfind(modem.mgetty, 0), 0u) << SettingOf(test, "mgetty/sendfax");
        EXPECT_NE(SettingOf(test, "efax").find(modem.efax), std::string::npos);
        if (*modem.flowNamed) {
            bool named = false;
            for (const FlowFamily& family : test.flowControl) named = named || Has(family.accepted, modem.flowNamed);
            EXPECT_TRUE(named) << modem.flowNamed;
        }
    }

    // The documented faults: a bare OK to +FDIS=?, and MMR that Multi-Tech
    // firmware claims in class 2.0 and corrupts.
    LogFacts ppi = ReadLog(DataLog("real_ppi-pm14400fxmt.log"));
    EXPECT_TRUE(HasOddity(ppi.tests[0], OddityKind::OddAnswer, "+FDIS=? answered a bare OK"));
    LogFacts mt = ReadLog(DataLog("real_multitech-mt5634zba.log"));
    EXPECT_NE(mt.tests[0].verdict.alternativeReason.find("keep MMR off"), std::string::npos);
}

// Answer forms manuals describe, each put into the golden log in place of
// the simulator's plain form: the facts must be the plain form's, or an
// oddity must say why they are not decoded. Never a misread.
TEST(LogReport, OddAnswerFormsReadAsTheirPlainFormsOrAreNamed) {
    const std::string golden = DataLog("capability_fax.log");
    const std::string dis = "IN : (0,1),(0-5),(0-2),(0-2),(0,1),(0),(0),(0-7)\r\n";
    const std::string classes = "IN : 0,1,1.0,2,2.0\r\n";
    struct Form {
        const char* what;
        std::string from, to;
        const char* oddity;  // empty: the plain form's facts
    };
    const Form forms[] = {
        {"name and colon", dis, "IN : +FDIS: (0,1),(0-5),(0-2),(0-2),(0,1),(0),(0),(0-7)\r\n", ""},
        {"name and equals", dis, "IN : +FDIS=(0,1),(0-5),(0-2),(0-2),(0,1),(0),(0),(0-7)\r\n", ""},
        {"blanks", dis, "IN : (0, 1), (0-5), (0-2), (0-2), (0,1), (0), (0), (0-7)\r\n", ""},
        {"bare groups", dis, "IN : (0,1),(0-5),(0-2),(0-2),(0,1),0,0,(0-7)\r\n", ""},
        {"seven groups", dis, "IN : (0,1),(0-5),(0-2),(0-2),(0,1),(0),(0-7)\r\n", "+FDIS=? gave 7 groups"},
        {"value outside its field", dis, "IN : (0,1),(0-5),(0-2),(9),(0,1),(0),(0),(0-7)\r\n",
         "+FDIS=? gave (9) for page length"},
        {"bare OK", dis, "", "+FDIS=? answered a bare OK"},
        {"class list with a range", classes, "IN : (0-1),1.0,2,2.0\r\n", ""},
        {"class list with its name", classes, "IN : +FCLASS: 0,1,1.0,2,2.0\r\n", ""},
    };
    const LogFacts plain = ReadLog(golden);
    for (const Form& form : forms) {
        SCOPED_TRACE(form.what);
        std::string log = golden;
        Replace(log, form.from, form.to);
        LogFacts facts = ReadLog(log);
        ASSERT_EQ(facts.tests.size(), 1u);
        const CapabilityTest& test = facts.tests[0];
        EXPECT_EQ(test.offered, plain.tests[0].offered);
        if (*form.oddity) {
            EXPECT_TRUE(HasOddity(test, OddityKind::OddAnswer, form.oddity)) << FormatText(facts, "odd");
            for (const ClassTwoRanges& ranges : test.classTwo)
                EXPECT_TRUE(ranges.className != "2" || ranges.parameters.empty()) << "nothing misread";
            continue;
        }
        EXPECT_TRUE(test.oddities.empty()) << FormatText(facts, "odd");
        ASSERT_EQ(test.classTwo.size(), 2u);
        EXPECT_TRUE(test.classTwo[0].decoded);
        EXPECT_EQ(test.classTwo[0].fastestBitsPerSecond, 14400u) << "a shifted field would read 4800";
        EXPECT_FALSE(test.classTwo[0].ecm) << "a shifted field would read ECM";
        EXPECT_EQ(Parameter(test.classTwo[0], "page width")->meanings.size(), 3u);
    }

    // An ATIn answered ERROR is refused, not an empty page; class 2.0 has
    // ECM without class 2's frame sizes.
    std::string log = golden;
    Replace(log, "OUT: ATI5\r\nIN : ATI5\r\nIN : Country code: B5 (United States)\r\nIN : NVRAM: valid, 2 stored profiles\r\nIN : OK",
            "OUT: ATI5\r\nIN : ATI5\r\nIN : ERROR");
    Replace(log, "IN : (0,1),(0-5),(0-4),(0-2),(0,1),(0),(0),(0-7)", "IN : (0,1),(0-5),(0-4),(0-2),(0,1),(0-1),(0),(0-7)");
    LogFacts facts = ReadLog(log);
    EXPECT_EQ(facts.tests[0].information[5].outcome, Outcome::Refused);
    EXPECT_NE(FormatText(facts, "x").find("ATI5:                refused"), std::string::npos);
    EXPECT_EQ(Parameter(facts.tests[0].classTwo[1], "error correction")->meanings,
              (std::vector<std::string>{"none", "ECM"}));
    EXPECT_EQ(facts.tests[0].verdict.faxClass, "1.0");
    EXPECT_EQ(facts.tests[0].verdict.alternativeClass, "2.0");
    EXPECT_NE(facts.tests[0].verdict.alternativeReason.find("with ECM"), std::string::npos);
}

// The simulated fax modem hanging up after 12 commands (--hangup-after 12):
// the script runs on, every command goes unanswered, and the verdict lines
// say "does not support". None of that is a refusal, and no class verdict
// may rest on it.
TEST(LogReport, SilenceIsNotRefusalAndCutsTheTestShort) {
    LogFacts facts = ReadLog(DataLog("hangup_fax.log"));
    ASSERT_EQ(facts.tests.size(), 1u);
    const CapabilityTest& test = facts.tests[0];
    EXPECT_FALSE(test.complete);
    EXPECT_EQ(test.stoppedAfter, "ATI6");
    EXPECT_TRUE(HasOddity(test, OddityKind::CutShort, "cut short: the modem stopped answering after ATI6"));
    EXPECT_FALSE(HasOddity(test, OddityKind::Timeout)) << "the silence is told once, not per command";
    for (const ClassVerdict& verdict : test.verdicts) EXPECT_EQ(verdict.status, ClassStatus::NoAnswer) << verdict.name;
    EXPECT_TRUE(test.verdict.faxClass.empty());
    EXPECT_EQ(test.verdict.untried, (std::vector<std::string>{"0", "1", "2", "2.0"}));
    const std::string summary = FormatSummaryLine(facts, "Modem003.txt");
    EXPECT_EQ(summary.find("refused"), std::string::npos) << summary;
    EXPECT_NE(summary.find("cut short; classes accepted none; no answer to 0, 1, 2, 2.0"), std::string::npos);
    EXPECT_NE(FormatText(facts, "x").find("provisional: classes 0, 1, 2, 2.0 not tried"), std::string::npos);
}

TEST(LogReport, NoiseBeforeAnEchoIsCountedAndTheEchoIsNoAnswer) {
    std::string golden = DataLog("capability_fax.log");
    Replace(golden, "OUT: ATI3\r\nIN : ATI3\r\n", "OUT: ATI3\r\nIN : \x13\x11\xff\r\nIN : ATI3\r\n");
    LogFacts facts = ReadLog(golden);
    ASSERT_EQ(facts.tests.size(), 1u);
    EXPECT_EQ(facts.tests[0].information[3].lines, std::vector<std::string>{"Quillfen Simulated V.90 Fax Modem"});
    EXPECT_TRUE(HasOddity(facts.tests[0], OddityKind::LineNoise, "1 line(s) of line noise, in the answers to ATI3"));
}

TEST(LogReport, EveryPrefixOfALogReadsWithoutHarm) {
    const std::string golden = DataLog("capability_fax.log");
    for (std::size_t length = 0; length <= golden.size(); length += 13) {
        LogFacts facts = ReadLog(std::string_view(golden).substr(0, length));
        ASSERT_LE(facts.tests.size(), 1u);
        std::string json = FormatJson(facts, "prefix");
        ASSERT_EQ(json.front(), '{');
        ASSERT_EQ(json.back(), '}');
    }
}

TEST(LogReport, SeveralTestsInOneScanAndTheirSummaryLines) {
    std::string body = DataLog("report_v34fax.log");
    std::size_t from = body.find("=*=*=*");
    std::size_t to = body.find("End Session");
    std::string second = body.substr(from, to - from);
    Replace(second, "Opened COM1 - ", "Opened COM3 - ");
    Replace(second, "\r\nCOM1\r\n", "\r\nCOM3\r\n");
    std::string both = body.substr(0, to) + second + body.substr(to);
    LogFacts facts = ReadLog(both);
    ASSERT_EQ(facts.tests.size(), 2u);
    EXPECT_EQ(facts.tests[1].port, "COM3");
    EXPECT_FALSE(facts.tests[1].time.empty());
    std::string summary = FormatSummaryLine(facts, "Modem007.txt");
    EXPECT_EQ(std::count(summary.begin(), summary.end(), '\n'), 2);
    EXPECT_NE(summary.find("COM3 Modem007.txt: tested"), std::string::npos);
    EXPECT_NE(summary.find("best fax class 1"), std::string::npos);
}

// The simulator's line noise on a real pty: the verdicts survive and the
// noise is counted, not taken for answers.
TEST(LogReport, NoisyLineIsReportedAsOdd) {
    test::TempDir dir;
    test::ScopedChdir cwd(dir.Path());
    test::ModemSim sim({"--profile", "data", "--noise", "--seed", "11"});
    test::ScriptedHost host;
    host.selection = 0;
    PortNames names;
    names.Map(1, sim.Device());
    Application app(host, names);
    app.Start();
    app.DispatchCommand(id::FaxTestSelectModem);
    app.Shutdown();

    LogFacts facts = ReadLog(host.pane);
    ASSERT_EQ(facts.tests.size(), 1u);
    const CapabilityTest& test = facts.tests[0];
    EXPECT_TRUE(HasOddity(test, OddityKind::LineNoise)) << FormatText(facts, "noisy");
    EXPECT_FALSE(test.verdicts.empty());
    for (const Answer& page : test.information) {
        for (const std::string& line : page.lines) {
            for (char c : line)
                ASSERT_GE(static_cast<unsigned char>(c), 0x20) << page.command;
        }
    }
    std::string json = FormatJson(facts, "noisy");
    for (char c : json)
        ASSERT_TRUE(static_cast<unsigned char>(c) >= 0x20 && static_cast<unsigned char>(c) < 0x7F);
}

}  // namespace
}  // namespace quillfen::report
