// SPDX-License-Identifier: MIT
// The session log on Windows: the file the user keeps must hold the pane's
// bytes exactly (binary, no CR LF translation), creation must never take
// over an existing entry, and the start-up message must show a path the
// user can type.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <regex>
#include <string>

#include "log/session_log.h"
#include "support/scripted_host.h"
#include "support/fixtures.h"

namespace quillfen::test {
namespace {

class WinSessionLogTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cwd{dir.Path()};
    ScriptedHost host;
    SessionLog log{host};
};

TEST_F(WinSessionLogTest, FileHoldsThePaneByteForByteAndTheMessageJoinsWithBackslash) {
    log.OpenSessionLog();
    ASSERT_GE(host.boxes.size(), 1u);
    char cwd[MAX_PATH] = {};
    ASSERT_NE(GetCurrentDirectoryA(sizeof cwd, cwd), 0u);
    EXPECT_NE(host.boxes[0].text.find(std::string("called:\n") + cwd + "\\Modem001.txt\ncreated."), std::string::npos)
        << host.boxes[0].text;
    EXPECT_STREQ(log.FileName(), "Modem001.txt");

    log.WriteLog("ATI3\r", LogKind::Out, AsLine::Yes);
    log.WriteLog("bare\nLF and a lone CR\r", LogKind::Plain, AsLine::No);
    log.WriteLog("OK", LogKind::In, AsLine::Yes);
    std::string file = ReadFile(dir.File("Modem001.txt"));
    EXPECT_EQ(file, host.pane);
    EXPECT_NE(file.find("OUT: ATI3\r\nbare\nLF and a lone CR\rIN : OK\r\n"), std::string::npos);

    log.CloseSessionLog();
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), host.pane);
}

TEST_F(WinSessionLogTest, ExistingFilesAndDirectoriesAreSkippedAndLeftAlone) {
    {
        std::FILE* keep = std::fopen("Modem001.txt", "wb");
        ASSERT_NE(keep, nullptr);
        std::fputs("keep me", keep);
        std::fclose(keep);
    }
    ASSERT_TRUE(CreateDirectoryA("Modem002.txt", nullptr));
    log.OpenSessionLog();
    EXPECT_STREQ(log.FileName(), "Modem003.txt");
    EXPECT_GE(log.LogFile(), 0);
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), "keep me");
    log.CloseSessionLog();
    EXPECT_EQ(ReadFile(dir.File("Modem003.txt")), host.pane);
}

// Another program takes the chosen name while the start-up message is up:
// its file is left alone and the log goes to the next free number.
TEST(WinSessionLogRace, ANameTakenWhileTheMessageIsUpIsNeverTruncated) {
    struct TakingHost : ScriptedHost {
        BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override {
            if (std::FILE* other = std::fopen("Modem001.txt", "wb")) {
                std::fputs("another program's file", other);
                std::fclose(other);
            }
            return ScriptedHost::ShowMessageBox(text, icon, buttons);
        }
    };
    TempDir dir;
    ScopedChdir cwd(dir.Path());
    TakingHost host;
    SessionLog log(host);
    log.OpenSessionLog();
    EXPECT_STREQ(log.FileName(), "Modem002.txt");
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), "another program's file");
    log.CloseSessionLog();
    EXPECT_EQ(ReadFile(dir.File("Modem002.txt")), host.pane);
}

TEST_F(WinSessionLogTest, StampUsesEnglishNamesAndATwoDigitDay) {
    std::string stamp = log.StampText();
    EXPECT_TRUE(std::regex_match(stamp, std::regex("(Sun|Mon|Tue|Wed|Thu|Fri|Sat) "
                                                    "(Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) "
                                                    "[0-3][0-9] [0-2][0-9]:[0-5][0-9]:[0-6][0-9] [0-9]{4}\n")))
        << stamp;
}

}  // namespace
}  // namespace quillfen::test
