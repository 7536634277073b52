// SPDX-License-Identifier: MIT
// The fax profile's command state as a program sees it over the pty: echo,
// the two result forms, several commands on a line, ERROR ending a line,
// factory reset, line editing and the settings page.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "modemsim/pty_client.h"
#include "support/fixtures.h"

namespace quillfen::test {
namespace {

const std::string kIdentity = "Quillfen Simulated V.90 Fax Modem";

class CommandLineTest : public ::testing::Test {
protected:
    ModemSim sim{{"--profile", "fax"}};
    PtyClient line{sim.Device()};
};

TEST_F(CommandLineTest, EchoAndResultFormsFollowEVAndQ) {
    // Factory: echo on, verbal results framed by CR LF.
    EXPECT_EQ(line.Exchange("ATI3\r", "OK\r\n"), "ATI3\r\r\n" + kIdentity + "\r\n\r\nOK\r\n");
    // The echo comes byte by byte as typed, before the line is ended.
    line.Send("AT");
    EXPECT_EQ(line.ReadUntilAny({"AT"}), "AT");
    EXPECT_EQ(line.Exchange("\r", "OK\r\n"), "\r\r\nOK\r\n");

    // E0 is still echoed itself; the lines after it are not.
    EXPECT_EQ(line.Exchange("ATE0\r", "OK\r\n"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("ATV0\r", "0\r"), "0\r");
    EXPECT_EQ(line.Exchange("ATI3\r", "0\r"), kIdentity + "\r\n0\r");
    EXPECT_EQ(line.Exchange("ATJ\r", "4\r"), "4\r");

    // Q1 keeps the info text and drops the result; Q0 brings it back.
    EXPECT_EQ(line.Exchange("ATV1Q1I3\r", kIdentity + "\r\n"), "\r\n" + kIdentity + "\r\n");
    EXPECT_EQ(line.Exchange("ATQ0\r", "OK\r\n"), "\r\nOK\r\n");

    // &F brings back the factory echo and verbal form.
    EXPECT_EQ(line.Exchange("ATV0&F\r", "OK\r\n"), "\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("AT\r", "OK\r\n"), "AT\r\r\nOK\r\n");
}

TEST_F(CommandLineTest, SeveralCommandsOnOneLineAndErrorEndsTheLine) {
    EXPECT_EQ(line.Exchange("ATE0V1S0=0\r", "OK\r\n"), "ATE0V1S0=0\r\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("ATS0=7 S7? S0?\r", "OK\r\n"), "\r\n050\r\n\r\n007\r\n\r\nOK\r\n");

    // Info text before the failing command is sent; nothing after it runs.
    EXPECT_EQ(line.Exchange("ATI0J1I3\r", "ERROR\r\n"), "\r\n56000\r\n\r\nERROR\r\n");
    EXPECT_EQ(line.Exchange("ATV0%Q0V1\r", "4\r"), "4\r");
    EXPECT_EQ(line.Exchange("AT\r", "0\r"), "0\r");
    EXPECT_EQ(line.Exchange("ATV1\r", "OK\r\n"), "\r\nOK\r\n");

    // S-register bounds.
    EXPECT_EQ(line.Exchange("ATS0=255S0?\r", "OK\r\n"), "\r\n255\r\n\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("ATS0=256\r", "\r\n"), "\r\nERROR\r\n");
    EXPECT_EQ(line.Exchange("ATS99?\r", "\r\n"), "\r\nERROR\r\n");
}

TEST_F(CommandLineTest, LinesThatAreEmptyForeignEditedOrTooLong) {
    // The second CR after a class query is an empty line: echoed, not answered.
    ASSERT_EQ(line.Exchange("AT+FCLASS=1\r", "OK\r\n"), "AT+FCLASS=1\r\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("AT+FRM=?\r\r", "OK\r\n\r"),
              "AT+FRM=?\r\r\n24,48,72,73,74,96,97,98,121,122,145,146\r\n\r\nOK\r\n\r");

    // A line without the AT prefix is echoed and ignored; the answer that
    // follows belongs to the next line alone.
    EXPECT_EQ(line.Exchange("hello\rAT\r", "OK\r\n"), "hello\rAT\r\r\nOK\r\n");
    // The prefix in any case; LF is ignored; backspace edits.
    EXPECT_EQ(line.Exchange("at\n\r", "OK\r\n"), "at\n\r\r\nOK\r\n");
    EXPECT_EQ(line.Exchange("AtI4\b3\r", "OK\r\n"), "AtI4\b3\r\r\n" + kIdentity + "\r\n\r\nOK\r\n");

    // Too long for the command buffer: refused whole, and the modem goes on.
    std::string longLine = "AT" + std::string(298, 'E') + "\r";
    EXPECT_EQ(line.Exchange(longLine, "ERROR\r\n"), longLine + "\r\nERROR\r\n");
    EXPECT_EQ(line.Exchange("ATI3\r", "OK\r\n"), "ATI3\r\r\n" + kIdentity + "\r\n\r\nOK\r\n");
}

// The pages and the flow-control families are in the golden capability
// log; &V also shows the active settings apart from the stored ones.
TEST_F(CommandLineTest, SettingsPageShowsTheActiveSettings) {
    ASSERT_EQ(line.Exchange("ATE0\r", "OK\r\n"), "ATE0\r\r\nOK\r\n");
    // &V reflects the active settings and stays within a terminal's width.
    ASSERT_EQ(line.Exchange("ATX2S7=30\r", "OK\r\n"), "\r\nOK\r\n");
    std::string page = line.Exchange("AT&V\r", "\r\nOK\r\n");
    std::istringstream lines(page);
    std::size_t count = 0;
    // Each line under 80 characters, with its CR one more.
    for (std::string text; std::getline(lines, text); ++count) EXPECT_LE(text.size(), 80u) << text;
    EXPECT_GE(count, 20u);
    EXPECT_LE(count, 32u);
    std::size_t active = page.find("ACTIVE PROFILE:");
    std::size_t stored = page.find("STORED PROFILE 0:");
    ASSERT_NE(active, std::string::npos);
    ASSERT_NE(stored, std::string::npos);
    std::string activePart = page.substr(active, stored - active);
    std::string storedPart = page.substr(stored);
    EXPECT_NE(activePart.find(" X2 "), std::string::npos);
    EXPECT_NE(activePart.find("S07:030"), std::string::npos);
    EXPECT_NE(storedPart.find(" X4 "), std::string::npos);
    EXPECT_NE(storedPart.find("S07:050"), std::string::npos);
}

}  // namespace
}  // namespace quillfen::test
