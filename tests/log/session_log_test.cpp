// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>

#include "log/session_log.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

namespace quillfen {
namespace {

using test::ReadFile;
using test::ScopedChdir;
using test::ScriptedHost;
using test::TempDir;

class SessionLogTest : public ::testing::Test {
protected:
    TempDir dir;
    ScopedChdir cwd{dir.Path()};
    ScriptedHost host;
    SessionLog log{host};

    std::string Tail(std::size_t from) const { return host.pane.substr(from); }
};

TEST_F(SessionLogTest, LineModeAddsPrefixCutsAtFirstLineEndAndEndsInCrLf) {
    log.WriteLog("OK", LogKind::In, AsLine::Yes);
    EXPECT_EQ(host.pane, "IN : OK\r\n");

    std::size_t mark = host.pane.size();
    log.WriteLog("AT&F\r", LogKind::Out, AsLine::Yes);
    EXPECT_EQ(Tail(mark), "OUT: AT&F\r\n");

    mark = host.pane.size();
    log.WriteLog("first\nsecond\r\nthird", LogKind::Plain, AsLine::Yes);
    EXPECT_EQ(Tail(mark), "first\r\n");

    mark = host.pane.size();
    log.WriteLog("", LogKind::Plain, AsLine::Yes);
    log.WriteLog("", LogKind::In, AsLine::Yes);
    EXPECT_EQ(Tail(mark), "\r\nIN : \r\n");

    // Prefixes belong to line mode only.
    mark = host.pane.size();
    log.WriteLog("Aborted by user.\r\n", LogKind::Out, AsLine::No);
    log.WriteLog("no end", LogKind::Plain, AsLine::No);
    log.WriteLog("x", LogKind::Plain, AsLine::Yes);
    EXPECT_EQ(Tail(mark), "Aborted by user.\r\nno endx\r\n");
    EXPECT_EQ(log.LogLength(), host.pane.size());
}

TEST_F(SessionLogTest, LongTextsAreCutToFitTheBuffer) {
    std::string huge(6000, 'A');
    log.WriteLog(huge.c_str(), LogKind::Out, AsLine::Yes);
    ASSERT_EQ(host.pane.size(), 5118u);
    EXPECT_EQ(host.pane.substr(0, 5), "OUT: ");
    EXPECT_EQ(host.pane.substr(5, 5111), std::string(5111, 'A'));
    EXPECT_EQ(host.pane.substr(5116), "\r\n");

    // A verbatim text of 5,120 bytes or more is cut to 5,119, never overflowed.
    std::size_t mark = host.pane.size();
    std::string verbatim(7000, 'v');
    log.WriteLog(verbatim.c_str(), LogKind::Plain, AsLine::No);
    EXPECT_EQ(Tail(mark), std::string(5119, 'v'));
}

// A session that logs more than 2 GiB: the count goes on, and the pane is
// told the furthest position it can take instead of a wrapped, negative one.
TEST_F(SessionLogTest, PastTwoGibibytesTheCountGoesOnAndThePanePositionStopsAtItsLimit) {
    host.hasPane = false;
    const std::string entry(LogLineBufferSize - 1, 'x');
    constexpr std::uint64_t PaneLimit = 0x7FFFFFFF;
    std::uint64_t written = 0;
    while (written <= PaneLimit + entry.size()) {
        log.WriteLog(entry.c_str(), LogKind::Plain, AsLine::No);
        written += entry.size();
    }
    EXPECT_EQ(log.LogLength(), written);
    EXPECT_EQ(host.lastPosition, static_cast<std::int32_t>(PaneLimit));
}

TEST_F(SessionLogTest, StartWritesHeaderStartLineAndBannerToPaneAndFile) {
    log.OpenSessionLog();
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].icon, BoxIcon::Information);
    EXPECT_NE(host.boxes[0].text.find(dir.Path() + "/Modem001.txt\ncreated."), std::string::npos);
    EXPECT_STREQ(log.FileName(), "Modem001.txt");

    // The header, start line and banner are held byte for byte by the golden logs.
    EXPECT_EQ(log.LogLength(), host.pane.size());
    log.WriteLog("OK", LogKind::In, AsLine::Yes);
    // Written unbuffered: the file already holds every entry.
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), host.pane);

    log.CloseSessionLog();
    EXPECT_EQ(log.LogFile(), -1);
    EXPECT_EQ(host.pane.substr(host.pane.size() - 40, 14), "End Session - ");
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), host.pane);

    // A second close writes nothing more.
    std::size_t length = host.pane.size();
    log.CloseSessionLog();
    EXPECT_EQ(host.pane.size(), length);
}

// Every kind of existing entry is skipped, never followed or truncated,
// and the first free name is taken, even in a gap.
TEST_F(SessionLogTest, FileNumberingFillsGapsAndNeverFollowsOrTruncatesAnEntry) {
    test::WriteFile(dir.File("Modem001.txt"), "keep me");
    TempDir elsewhere;
    std::string target = elsewhere.File("victim");
    ASSERT_EQ(symlink(target.c_str(), "Modem002.txt"), 0);  // dangling
    ASSERT_EQ(mkdir("Modem003.txt", 0700), 0);
    test::WriteFile(elsewhere.File("precious"), "precious");
    ASSERT_EQ(symlink(elsewhere.File("precious").c_str(), "Modem004.txt"), 0);
    test::WriteFile(dir.File("Modem006.txt"), "keep me too");

    log.OpenSessionLog();
    EXPECT_STREQ(log.FileName(), "Modem005.txt");
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), "keep me");
    EXPECT_EQ(ReadFile(dir.File("Modem006.txt")), "keep me too");
    EXPECT_NE(access(target.c_str(), F_OK), 0) << "the symlink's target was created";
    EXPECT_EQ(ReadFile(elsewhere.File("precious")), "precious");
    log.WriteLog("hello", LogKind::Plain, AsLine::Yes);
    EXPECT_EQ(ReadFile(dir.File("Modem005.txt")), host.pane);
}

TEST_F(SessionLogTest, ANameTakenWhileTheMessageIsUpIsReplacedAndTheRealOneNamed) {
    host.onBox = [this](const test::ShownBox& box) {
        if (box.text.find("Modem001.txt\ncreated.") != std::string::npos) test::WriteFile(dir.File("Modem001.txt"), "theirs");
    };
    log.OpenSessionLog();
    EXPECT_STREQ(log.FileName(), "Modem002.txt");
    EXPECT_EQ(ReadFile(dir.File("Modem001.txt")), "theirs");
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].text, "The log file is " + dir.Path() +
                                      "/Modem002.txt, not the name given above: another program created that "
                                      "name first.");
    EXPECT_EQ(ReadFile(dir.File("Modem002.txt")), host.pane);
}

TEST_F(SessionLogTest, AllNamesTakenLogsToThePaneOnlyAndReusesNothing) {
    for (unsigned n = 1; n <= 999; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "Modem%03u.txt", n);
        test::WriteFile(dir.File(name), "old");
    }
    log.OpenSessionLog();
    // The start-up message says that there will be no file, instead of
    // announcing one; nothing blames the disk.
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.find("created."), std::string::npos) << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find("Modem001.txt to Modem999.txt all exist in:\n" + dir.Path() +
                                      "\nso no log file will be written this time."),
              std::string::npos)
        << host.boxes[0].text;
    EXPECT_EQ(log.LogFile(), -1);
    EXPECT_EQ(ReadFile(dir.File("Modem999.txt")), "old");
    EXPECT_EQ(host.pane.substr(0, 35), "Log of Modem Commands and Responses");

    // No end line at all, not even in the pane.
    std::size_t length = host.pane.size();
    log.CloseSessionLog();
    EXPECT_EQ(host.pane.size(), length);
}

TEST(BoundedCopyTest, NeverWritesPastTheLimitAndAlwaysTerminates) {
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_STREQ(CopyBounded(buffer, "abcdefghij", 5), "abcd");
    EXPECT_EQ(buffer[5], 'x');
    EXPECT_STREQ(CopyBounded(buffer, "abc", 0), "");
    EXPECT_STREQ(CopyBounded(buffer, nullptr, 8), "");
    EXPECT_EQ(CopyBounded(nullptr, "abc", 8), nullptr);

    std::memset(buffer, 'x', sizeof buffer);
    CopyBounded(buffer, "ab", 8);
    EXPECT_STREQ(AppendBounded(buffer, "cdefghij", 6), "abcde");
    EXPECT_EQ(buffer[6], 'x');
    EXPECT_STREQ(AppendBounded(buffer, "zz", 6), "abcde");  // already full
    EXPECT_STREQ(AppendBounded(buffer, nullptr, 8), "abcde");
    EXPECT_STREQ(AppendBounded(buffer, "f", 8), "abcdef");
}

// Unmounts the small file system at the end, after the directory is left.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const std::string& where) : where_(where) {
        mkdir(where.c_str(), 0700);
        mounted_ = mount("tmpfs", where.c_str(), "tmpfs", 0, "size=8k") == 0;
    }
    ~SmallFileSystem() {
        if (mounted_) umount2(where_.c_str(), MNT_DETACH);
    }
    bool Mounted() const { return mounted_; }

private:
    std::string where_;
    bool mounted_ = false;
};

TEST(SessionLogFullDiskTest, TheFileStaysTheLogsExactBeginningAndTheFailureIsToldOnce) {
    TempDir dir;
    SmallFileSystem disk(dir.File("small"));
    if (!disk.Mounted()) GTEST_SKIP() << "no tmpfs may be mounted here; the CLI test covers a full disk otherwise";
    ScopedChdir cwd(dir.File("small"));
    // Room that can be given back later, to see that no later entry lands
    // in the file after a gap.
    test::WriteFile("filler", std::string(2048, 'f'));
    ScriptedHost host;
    SessionLog log(host);
    log.OpenSessionLog();
    ASSERT_GE(log.LogFile(), 0);
    std::string line(100, 'x');
    for (int i = 0; i < 100 && !log.FileIncomplete(); ++i) log.WriteLog(line.c_str(), LogKind::Out, AsLine::Yes);
    ASSERT_TRUE(log.FileIncomplete());
    EXPECT_EQ(host.boxes.size(), 1u) << "nothing is shown from inside WriteLog";

    std::string file = ReadFile(dir.File("small/Modem001.txt"));
    EXPECT_LT(file.size(), host.pane.size());
    EXPECT_EQ(host.pane.compare(0, file.size(), file), 0) << "the file is not the log's beginning";

    unlink("filler");
    log.WriteLog("after the space came back", LogKind::Plain, AsLine::Yes);
    log.ReportFileFailure();
    log.ReportFileFailure();
    log.CloseSessionLog();
    EXPECT_EQ(ReadFile(dir.File("small/Modem001.txt")), file);
    EXPECT_NE(host.pane.find("after the space came back\r\nEnd Session - "), std::string::npos);

    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[1].icon, BoxIcon::Stop);
    EXPECT_EQ(host.boxes[1].text, "The log file " + dir.File("small") + "/Modem001.txt is incomplete: writing to it "
                                  "failed after " + std::to_string(file.size()) + " bytes (" + std::strerror(ENOSPC) +
                                  ").\nThe visual log goes on and holds everything; copy it from there.");
}

}  // namespace
}  // namespace quillfen
