// The capability report read from real logs: the golden fax log, logs of the
// simulator's modems of their own, a noisy line on a real pty, and logs cut
// short, aborted or converted to bare LF on the way to the reader.
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
    EXPECT_EQ(ClassDescription("8"), "voice");

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

TEST(LogReport, FindLogHasNoTestAndSaysSo) {
    LogFacts facts = ReadLog(DataLog("find_all_modems.log"));
    EXPECT_TRUE(facts.ended);
    EXPECT_TRUE(facts.tests.empty());
    EXPECT_NE(FormatSummaryLine(facts, "Modem002.txt").find("no capability test"), std::string::npos);
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
