// SPDX-License-Identifier: MIT
// What each profile offers: its service classes, the class queries that
// exist only in their class, a modem fixed to numeric codes and one that
// never answers.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <string>
#include <vector>

#include "modemsim/pty_client.h"
#include "support/fixtures.h"

namespace quillfen::test {
namespace {

const std::string kOk = "\r\nOK\r\n";
const std::string kError = "\r\nERROR\r\n";

// The whole answer to a command sent with echo off.
std::string Ask(PtyClient& line, const std::string& command) {
    line.Send(command + "\r");
    return line.ReadUntilAny({"\r\nOK\r\n", "\r\nERROR\r\n"});
}

TEST(ProfilesTest, EachProfileListsAndSwitchesToItsOwnClasses) {
    struct Row {
        const char* profile;
        const char* classes;
        const char* accepted;
        const char* refused;
    };
    const Row rows[] = {
        {"fax", "0,1,1.0,2,2.0", "2.0", "3"},
        {"usbclass1", "0,1,1.0,8", "8", "2"},
        {"v34fax", "0,1,2.0", "2.0", "2"},
        {"class1", "0,1,1.0", "1.0", "2"},
        {"data", "0", "0", "1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.profile);
        ModemSim sim({"--profile", row.profile});
        PtyClient line(sim.Device());
        ASSERT_EQ(line.Exchange("ATE0\r", "OK\r\n"), "ATE0\r" + kOk);
        EXPECT_EQ(Ask(line, "AT+FCLASS=?"), std::string("\r\n") + row.classes + "\r\n" + kOk);
        EXPECT_EQ(Ask(line, "AT+FCLASS?"), "\r\n0\r\n" + kOk);
        EXPECT_EQ(Ask(line, "AT+FCLASS=3"), kError);
        EXPECT_EQ(Ask(line, std::string("AT+FCLASS=") + row.refused), kError);
        EXPECT_EQ(Ask(line, std::string("AT+FCLASS=") + row.accepted), kOk);
        EXPECT_EQ(Ask(line, "AT+FCLASS?"), std::string("\r\n") + row.accepted + "\r\n" + kOk);
        // The factory settings include class 0.
        EXPECT_EQ(Ask(line, "AT&F"), kOk);
        EXPECT_EQ(line.Exchange("AT+FCLASS?\r", "OK\r\n"), "AT+FCLASS?\r\r\n0\r\n" + kOk);
    }
}

// The answers' bytes are held by the golden capability log; here, only
// which class answers which query.
TEST(ProfilesTest, ClassQueriesAnswerOnlyInTheirClass) {
    struct Row {
        const char* serviceClass;
        std::vector<const char*> answered;
        std::vector<const char*> refused;
    };
    const Row rows[] = {
        {"0", {}, {"AT+FRM=?", "AT+FTM=?", "AT+FDIS=?", "AT+FIS=?", "AT+FMFR?", "AT+MFR?"}},
        {"1", {"AT+FRM=?", "AT+FTM=?"}, {"AT+FDIS=?", "AT+FMFR?"}},
        {"2", {"AT+FDIS=?", "AT+FMFR?", "AT+FMDL?", "AT+FREV?"}, {"AT+FRM=?", "AT+FIS=?", "AT+MFR?"}},
        {"2.0", {"AT+FIS=?", "AT+MFR?", "AT+MDL?", "AT+REV?"}, {"AT+FDIS=?", "AT+FMFR?", "AT+FF"}},
    };
    ModemSim sim({"--profile", "fax"});
    PtyClient line(sim.Device());
    ASSERT_EQ(line.Exchange("ATE0\r", "OK\r\n"), "ATE0\r" + kOk);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.serviceClass);
        ASSERT_EQ(Ask(line, std::string("AT+FCLASS=") + row.serviceClass), kOk);
        for (const char* query : row.answered) EXPECT_NE(Ask(line, query), kError) << query;
        for (const char* query : row.refused) EXPECT_EQ(Ask(line, query), kError) << query;
    }

    // A class switch and a query on one line, separated as extended commands are.
    ASSERT_EQ(Ask(line, "AT&F"), kOk);
    EXPECT_EQ(line.Exchange("AT+FCLASS=1;+FTM=?\r", "OK\r\n"),
              "AT+FCLASS=1;+FTM=?\r\r\n24,48,72,73,74,96,97,98,121,122,145,146\r\n" + kOk);
}

TEST(ProfilesTest, NumericModemNeverSendsAVerbalWord) {
    ModemSim sim({"--profile", "numeric"});
    PtyClient line(sim.Device());
    // V1 is taken and changes nothing.
    EXPECT_EQ(line.Exchange("ATV1\r", "0\r"), "ATV1\r0\r");
    std::string answers = line.Exchange("AT&F\r", "0\r");
    answers += line.Exchange("ATI3\r", "0\r");
    answers += line.Exchange("AT+FCLASS=3\r", "4\r");
    answers += line.Exchange("ATD\r", "6\r");
    EXPECT_EQ(answers, "AT&F\r0\rATI3\rQuillfen Simulated V.32bis Fax Modem\r\n0\rAT+FCLASS=3\r4\rATD\r6\r");
    for (const char* word : {"OK", "ERROR", "CONNECT", "NO "}) EXPECT_EQ(answers.find(word), std::string::npos);
}

TEST(ProfilesTest, SilentModemReadsEverythingAndSaysNothing) {
    ModemSim sim({"--profile", "silent"});
    PtyClient line(sim.Device());
    line.Send("AT&F\rATV1\rAT\rATI3\rAT+FCLASS=?\r\r");
    EXPECT_EQ(line.ReadFor(std::chrono::milliseconds(700)), "");
    // Still alive and still quiet.
    line.Send("AT\r");
    EXPECT_EQ(line.ReadFor(std::chrono::milliseconds(300)), "");
    EXPECT_EQ(kill(sim.Pid(), 0), 0);
}

}  // namespace
}  // namespace quillfen::test
