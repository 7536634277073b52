// SPDX-License-Identifier: MIT
// The Windows program's main window, run on a thread of its own in this
// process while the test drives it from outside like a user: the controls
// and menu of the templates, what is enabled and grayed during and after an
// action, Abort Event, Exit during a test, the help pane, copying, the About
// box, TopMost and the keyboard (Tab, Enter, Escape, Alt+X). The log file
// and the clipboard are compared with the pane byte for byte.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "app/help_text.h"
#include "win32/main_window.h"
#include "win32/rich_pane.h"
#include "win32/resources/resource_ids.h"
#include "support/fixtures.h"
#include "windows/window_driver.h"

namespace quillfen::test {
namespace {

using namespace std::chrono_literals;

// The control with the keyboard focus in the window's thread; nullptr for none.
HWND FocusOf(DWORD threadId) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    return GetGUIThreadInfo(threadId, &gui) ? gui.hwndFocus : nullptr;
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// What a copy command puts on the clipboard, emptied first.
std::string CopiedBy(const WindowDriver& window, int command) {
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    window.CommandNow(command);
    std::string text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* bytes = static_cast<const char*>(GlobalLock(data))) {
            text = bytes;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

// The main window on its own thread, in a fresh current directory, past
// its start-up message. The destructor ends it if the test did not.
class RunningWindow {
public:
    explicit RunningWindow(std::string argumentText = std::string()) : argumentText_(std::move(argumentText)) {
        // Join the desktop from this thread first: two threads that both
        // start Wine's desktop process at once leave one of them waiting.
        GetDesktopWindow();
        thread_ = std::thread([this] {
            threadId_ = GetCurrentThreadId();
            win32::MainWindow window(GetModuleHandleA(nullptr), argumentText_.c_str());
            window.Run();
            ended_ = true;
        });
        HWND box = nullptr;
        WaitUntil([&] { return threadId_ && (box = FindDialog(0, threadId_, "Quillfen")) != nullptr; });
        if (box) {
            startupMessage_ = MessageBoxText(box);
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        WaitUntil([&] { return (window_ = WindowDriver::FindMainWindow()) != nullptr && IsWindowVisible(window_) &&
                               SendMessageA(GetDlgItem(window_, IDC_PORTLIST), CB_GETCOUNT, 0, 0) == 256; });
    }

    ~RunningWindow() {
        // A test that failed half-way may leave a box open: answer it, so
        // the window can end and the next test starts afresh.
        const bool ended = WaitUntil([&] {
            if (ended_) return true;
            for (const char* title : {"Quillfen", "About Quillfen"})
                if (HWND box = FindDialog(0, threadId_, title)) PostMessageA(box, WM_COMMAND, IDCANCEL, 0);
            if (window_) PostMessageA(window_, WM_COMMAND, IDM_EXIT, 0);
            return false;
        });
        if (!ended) {
            std::fprintf(stderr, "window_test: the window did not end; stopping here rather than hanging\n");
            std::_Exit(1);
        }
        thread_.join();
    }

    WindowDriver Driver() const { return WindowDriver(window_); }
    HWND Window() const { return window_; }
    DWORD ThreadId() const { return threadId_; }
    const std::string& StartupMessage() const { return startupMessage_; }
    bool WaitForEnd() { return WaitUntil([&] { return ended_.load(); }); }
    bool Ended() const { return ended_; }

private:
    std::string argumentText_;
    std::thread thread_;
    std::atomic<DWORD> threadId_{0};
    std::atomic<bool> ended_{false};
    HWND window_ = nullptr;
    std::string startupMessage_;
};

class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        modemCom = ComFromEnvironment("QUILLFEN_TEST_MODEM_COM");
    }
    std::string LogFile() const { return ReadFile(dir.File("Modem001.txt")); }

    TempDir dir;
    ScopedChdir cwd{dir.Path()};
    unsigned modemCom = 0;
};

TEST_F(WindowTest, StartsMaximizedWithThePortListTheLogAndCloseHelpGrayed) {
    RunningWindow run;
    ASSERT_NE(run.Window(), nullptr);
    const WindowDriver window = run.Driver();
    EXPECT_NE(run.StartupMessage().find("\\Modem001.txt\ncreated."), std::string::npos) << run.StartupMessage();

    EXPECT_TRUE(IsZoomed(run.Window()));
    EXPECT_EQ(GetWindowLongA(run.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    // The manifest's system DPI awareness has taken effect.
    EXPECT_TRUE(IsProcessDPIAware());
    HWND ports = window.Control(IDC_PORTLIST);
    EXPECT_EQ(SendMessageA(ports, CB_GETCOUNT, 0, 0), 256);
    EXPECT_EQ(SendMessageA(ports, CB_GETCURSEL, 0, 0), CB_ERR);
    char item[16] = {};
    SendMessageA(ports, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "COM2");
    SendMessageA(ports, CB_GETLBTEXT, 255, reinterpret_cast<LPARAM>(item));
    EXPECT_STREQ(item, "COM256");

    EXPECT_TRUE(window.BusySetIs(true));
    EXPECT_TRUE(window.MenuGrayed(IDM_CLOSEHELP));
    EXPECT_FALSE(window.MenuGrayed(IDM_EXIT));
    HMENU menu = GetMenu(run.Window());
    EXPECT_EQ(GetMenuItemID(menu, 2), static_cast<UINT>(IDM_REPORT)) << "Report is an item of the bar, beside Help";
    EXPECT_EQ(GetMenuItemID(menu, 3), static_cast<UINT>(IDM_EXIT)) << "Exit is an item of the bar, not a menu";
    EXPECT_EQ(GetWindowLongA(window.Control(IDC_FAXTESTALLMODEMS), GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    EXPECT_EQ(GetWindowLongA(window.Control(IDC_PORTLIST), GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    EXPECT_NE(SendMessageA(run.Window(), WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(run.Window(), WM_GETICON, ICON_SMALL, 0), 0);
    EXPECT_EQ(SendMessageA(run.Window(), WM_QUERYDRAGICON, 0, 0), SendMessageA(run.Window(), WM_GETICON, ICON_BIG, 0));
    HWND focus = FocusOf(run.ThreadId());
    EXPECT_EQ(focus, window.Control(IDC_FAXTESTALLMODEMS));

    // The log pane: the rich-edit class, read-only, holding exactly the file.
    HWND pane = window.Control(IDC_LOGPANE);
    char className[32] = {};
    GetClassNameA(pane, className, sizeof className);
    EXPECT_STREQ(className, "RICHEDIT");
    const LONG fixedBits = ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN | WS_TABSTOP;
    EXPECT_EQ(GetWindowLongA(pane, GWL_STYLE) & fixedBits, fixedBits);
    const std::string text = window.PaneText(IDC_LOGPANE);
    EXPECT_EQ(text, LogFile());

    // The pane grows and shrinks with the window.
    const RECT maximized = window.PaneRect(IDC_LOGPANE);
    ShowWindowAsync(run.Window(), SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(run.Window()); }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return window.PaneRect(IDC_LOGPANE).right != maximized.right; }, 10s));

    // Restored, the window sits in the middle of the work area.
    RECT frame{}, work{};
    GetWindowRect(run.Window(), &frame);
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((frame.left + frame.right) / 2 - (work.left + work.right) / 2), 1);
    EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - (work.top + work.bottom) / 2), 1);

    ShowWindowAsync(run.Window(), SW_MAXIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return window.PaneRect(IDC_LOGPANE).right == maximized.right; }, 10s));
    EXPECT_EQ(window.PaneRect(IDC_LOGPANE).bottom, maximized.bottom);
}

// The port list's tip names what stands behind the chosen port: a remote
// modem's address, placed here by the environment as the ports file would.
TEST_F(WindowTest, ThePortListsTipNamesTheDeviceBehindTheChosenPort) {
    _putenv_s("QUILLFEN_COM12", "rfc2217://fax-ts1:7001");
    struct Unset {
        ~Unset() { _putenv_s("QUILLFEN_COM12", ""); }
    } unset;
    RunningWindow run;
    const WindowDriver window = run.Driver();
    HWND tip = nullptr;
    EnumThreadWindows(
        run.ThreadId(),
        [](HWND candidate, LPARAM found) {
            char name[32] = {};
            GetClassNameA(candidate, name, sizeof name);
            if (lstrcmpiA(name, TOOLTIPS_CLASSA) != 0) return TRUE;
            *reinterpret_cast<HWND*>(found) = candidate;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&tip));
    ASSERT_NE(tip, nullptr);
    auto tipText = [&] {
        char text[80] = {};
        TOOLINFOA tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = run.Window();
        tool.uId = reinterpret_cast<UINT_PTR>(window.Control(IDC_PORTLIST));
        tool.lpszText = text;
        SendMessageA(tip, TTM_GETTEXTA, sizeof text, reinterpret_cast<LPARAM>(&tool));
        return std::string(text);
    };
    window.SelectPort(12);
    EXPECT_EQ(tipText(), "rfc2217://fax-ts1:7001");
    window.SelectPort(3);
    EXPECT_EQ(tipText(), "\\\\.\\COM3");
}

TEST_F(WindowTest, TopMostOnlyForTheExactWord) {
    struct Case {
        const char* argumentText;
        bool topMost;
    };
    for (const Case& c : {Case{"TopMost", true}, Case{"topmost", false}, Case{"TopMost x", false}}) {
        RunningWindow run(c.argumentText);
        ASSERT_NE(run.Window(), nullptr) << c.argumentText;
        EXPECT_EQ((GetWindowLongA(run.Window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0, c.topMost) << c.argumentText;
        run.Driver().Command(IDM_EXIT);
        ASSERT_TRUE(run.WaitForEnd());
    }
}

TEST_F(WindowTest, TheBusySetIsOffDuringATestAndCopyAllTakesTheLogOrTheReportAfterIt) {
    ASSERT_NE(modemCom, 0u) << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    RunningWindow run;
    const WindowDriver window = run.Driver();
    window.SelectPort(modemCom);
    window.Click(IDC_FAXTESTSELECTMODEM);

    ASSERT_TRUE(WaitUntil([&] { return !window.Enabled(IDC_FAXTESTSELECTMODEM); }, 10s));
    EXPECT_TRUE(WaitUntil([&] { return window.BusySetIs(false); }, 10s));

    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_FAXTESTSELECTMODEM); }));
    EXPECT_TRUE(WaitUntil([&] { return window.BusySetIs(true); }, 10s));
    const std::string pane = window.PaneText(IDC_LOGPANE);
    EXPECT_NE(pane.find("This FaxModem supports Class"), std::string::npos);
    EXPECT_EQ(pane, LogFile());

    // The report of the test takes the log's place, and Copy All copies it.
    const RECT logPlace = window.PaneRect(IDC_LOGPANE);
    window.Command(IDM_REPORT);
    ASSERT_TRUE(WaitUntil([&] { return window.Control(IDC_REPORTPANE) != nullptr; }, 10s));
    const std::string report = window.PaneText(IDC_REPORTPANE);
    EXPECT_NE(report.find("configure fax software for class 1.0"), std::string::npos) << report;
    const RECT reportPlace = window.PaneRect(IDC_REPORTPANE);
    EXPECT_TRUE(EqualRect(&reportPlace, &logPlace));
    EXPECT_FALSE(IsWindowVisible(window.Control(IDC_LOGPANE)));
    EXPECT_EQ(CopiedBy(window, IDM_COPYALLOFLOG), report);
    window.Command(IDM_CLOSEHELP);
    ASSERT_TRUE(WaitUntil([&] { return window.Control(IDC_REPORTPANE) == nullptr; }, 10s));
    EXPECT_TRUE(IsWindowVisible(window.Control(IDC_LOGPANE)));
}

TEST_F(WindowTest, CopyAllTakesALongLogWholeAndThePaneNeverStopsTakingText) {
    RunningWindow run;
    const WindowDriver window = run.Driver();
    HWND pane = window.Control(IDC_LOGPANE);
    // The control's own default would stop a long session's log silently.
    EXPECT_GE(static_cast<unsigned long>(SendMessageA(pane, EM_GETLIMITTEXT, 0, 0)), 0x7FFFFFFEul);

    // A log past the first 57,344 characters, where a copy of "the first
    // part" would stop; a session reaches it after about six tests.
    std::string line(78, 'x');
    line += "\r\n";
    std::string more;
    while (more.size() < 60000) more += line;
    const std::int32_t end = static_cast<std::int32_t>(window.PaneText(IDC_LOGPANE).size());
    CHARRANGE atEnd{end, end};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&atEnd));
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(more.c_str()));
    const std::string whole = window.PaneText(IDC_LOGPANE);
    ASSERT_GT(whole.size(), 60000u);

    std::string copied = CopiedBy(window, IDM_COPYALLOFLOG);
    EXPECT_EQ(copied.size(), whole.size());
    EXPECT_TRUE(copied == whole);

    // Copy Selected Text takes just what the user selected.
    CHARRANGE firstLine{0, 35};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&firstLine));
    EXPECT_EQ(CopiedBy(window, IDM_COPYSELECTEDTEXT), "Log of Modem Commands and Responses");
}

// Ten capability tests make a log taller than 65,535 pixels, past what the
// control reports in 16-bit pixel positions: the view still follows new
// lines from the bottom and keeps a reader's place above it.
TEST_F(WindowTest, ALogOfTenCapabilityTestsStillFollowsOnlyFromTheBottom) {
    RunningWindow run;
    HWND pane = run.Driver().Control(IDC_LOGPANE);
    const std::string test = ReadFile(QUILLFEN_TESTDATA_DIR "/capability_fax.log");
    ASSERT_FALSE(test.empty());
    // Appended as the log appends, at its end.
    auto append = [&](const char* text) { win32::InsertAt(pane, GetWindowTextLengthA(pane), text); };
    auto endInView = [&] {
        POINTL at{};
        SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at), GetWindowTextLengthA(pane) - 1);
        RECT view{};
        GetClientRect(pane, &view);
        return at.y >= 0 && at.y < view.bottom;
    };
    auto firstLine = [&] { return SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0); };
    for (int copy = 0; copy < 10; ++copy) append(test.c_str());
    TEXTMETRICA font{};
    HDC dc = GetDC(pane);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(pane, WM_GETFONT, 0, 0)));
    GetTextMetricsA(dc, &font);
    ReleaseDC(pane, dc);
    ASSERT_GT(SendMessageA(pane, EM_GETLINECOUNT, 0, 0) * font.tmHeight, 65535);

    EXPECT_TRUE(endInView());
    append("OUT: ATI3\r\n");
    EXPECT_TRUE(endInView());

    SendMessageA(pane, EM_LINESCROLL, 0, -200);
    const LRESULT reading = firstLine();
    append("IN : OK\r\n");
    // Wine's control scrolls by a line and a half at a time: within a line.
    EXPECT_LE(std::abs(firstLine() - reading), 1) << reading;
    EXPECT_FALSE(endInView());

    SendMessageA(pane, WM_VSCROLL, SB_BOTTOM, 0);
    append("OUT: ATI3\r\n");
    EXPECT_TRUE(endInView());
}

// Abort Event stops a test and the window carries on; Exit during the next
// test, then the close box twice while it unwinds, aborts it and ends the
// session once.
TEST_F(WindowTest, AbortEventOrExitStopsATestAndExitEndsTheSessionOnce) {
    ASSERT_NE(modemCom, 0u) << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    RunningWindow run;
    const WindowDriver window = run.Driver();
    window.SelectPort(modemCom);
    auto startTest = [&] {
        const std::size_t before = CountOf(window.PaneText(IDC_LOGPANE), "OUT: ");
        window.Click(IDC_FAXTESTSELECTMODEM);
        return WaitUntil([&] { return CountOf(window.PaneText(IDC_LOGPANE), "OUT: ") > before + 8; });
    };
    ASSERT_TRUE(startTest());
    window.Click(IDC_ABORTEVENT);
    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_FAXTESTSELECTMODEM); }));
    EXPECT_EQ(CountOf(window.PaneText(IDC_LOGPANE), "Aborted by user.\r\n"), 1u);
    EXPECT_FALSE(run.Ended());

    ASSERT_TRUE(startTest());
    window.Command(IDM_EXIT);
    window.Close();
    window.Close();
    ASSERT_TRUE(run.WaitForEnd());
    const std::string log = MaskStamps(LogFile());
    EXPECT_EQ(CountOf(log, "Aborted by user.\r\n"), 2u);
    EXPECT_EQ(CountOf(log, "End Session - "), 1u);
}

// Help covers the log at its place and follows the window's size; the
// hidden log stays where it was and comes back where it now belongs.
TEST_F(WindowTest, HelpCoversTheLogFollowsTheWindowAndGivesTheLogBack) {
    RunningWindow run;
    const WindowDriver window = run.Driver();
    const RECT maximized = window.PaneRect(IDC_LOGPANE);
    window.Command(IDM_OPENHELP);
    ASSERT_TRUE(WaitUntil([&] { return window.Control(IDC_HELPPANE) != nullptr; }, 10s));
    EXPECT_EQ(window.PaneText(IDC_HELPPANE), HelpPaneText);
    const RECT helpPlace = window.PaneRect(IDC_HELPPANE);
    EXPECT_TRUE(EqualRect(&helpPlace, &maximized));
    EXPECT_FALSE(IsWindowVisible(window.Control(IDC_LOGPANE)));

    ShowWindowAsync(run.Window(), SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return window.PaneRect(IDC_HELPPANE).right < maximized.right; }, 10s));
    const RECT restored = window.PaneRect(IDC_HELPPANE);
    RECT log = window.PaneRect(IDC_LOGPANE);
    EXPECT_TRUE(EqualRect(&log, &maximized));

    window.Command(IDM_CLOSEHELP);
    // Graying Close Help again is the last step of closing the help.
    ASSERT_TRUE(WaitUntil([&] { return window.MenuGrayed(IDM_CLOSEHELP); }, 10s));
    EXPECT_EQ(window.Control(IDC_HELPPANE), nullptr);
    log = window.PaneRect(IDC_LOGPANE);
    EXPECT_TRUE(EqualRect(&log, &restored));
    EXPECT_TRUE(IsWindowVisible(window.Control(IDC_LOGPANE)));
    EXPECT_EQ(window.PaneText(IDC_LOGPANE), LogFile());
}

TEST_F(WindowTest, EscapeClosesTheHelpElseEndsTheSessionLikeExit) {
    RunningWindow run;
    const WindowDriver window = run.Driver();
    window.Command(IDM_OPENHELP);
    ASSERT_TRUE(WaitUntil([&] { return window.Control(IDC_HELPPANE) != nullptr; }, 10s));
    // Escape as the keyboard delivers it, to the control with the focus: the
    // help the reader is in.
    EXPECT_TRUE(WaitUntil([&] { return FocusOf(run.ThreadId()) == window.Control(IDC_HELPPANE); }, 2s));
    HWND focus = FocusOf(run.ThreadId());
    PostMessageA(focus ? focus : run.Window(), WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_TRUE(WaitUntil([&] { return window.MenuGrayed(IDM_CLOSEHELP); }, 10s));
    EXPECT_EQ(window.Control(IDC_HELPPANE), nullptr);
    Sleep(200);
    EXPECT_FALSE(run.Ended());

    PostMessageA(window.Control(IDC_FAXTESTALLMODEMS), WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_TRUE(run.WaitForEnd());
    EXPECT_TRUE(EndsWith(MaskStamps(LogFile()), "\r\nEnd Session - <stamp>\r\n"));
}

TEST_F(WindowTest, AboutShowsTheVersionAndClosesWithOk) {
    RunningWindow run;
    run.Driver().Command(IDM_ABOUT);
    HWND about = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (about = FindDialog(0, run.ThreadId(), "About Quillfen")) != nullptr; }, 10s));
    EXPECT_EQ(WindowText(GetDlgItem(about, IDC_VERSIONTEXT)), "Product Version: 09.05.01");
    EXPECT_EQ(GetWindow(about, GW_OWNER), run.Window());
    PostMessageA(GetDlgItem(about, IDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(about); }, 10s));
    EXPECT_FALSE(run.Ended());
}

TEST_F(WindowTest, AnActionWithNoPortChosenAsksForOneAndDropsTheListDown) {
    RunningWindow run;
    const WindowDriver window = run.Driver();
    window.Click(IDC_FAXTESTSELECTMODEM);
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindDialog(0, run.ThreadId(), "Quillfen")) != nullptr; }, 10s));
    EXPECT_EQ(MessageBoxText(box), "Please Select a Modem/COM-Port (COM?)");
    PostMessageA(box, WM_COMMAND, IDOK, 0);

    HWND ports = window.Control(IDC_PORTLIST);
    EXPECT_TRUE(WaitUntil([&] { return SendMessageA(ports, CB_GETDROPPEDSTATE, 0, 0) != 0; }, 10s));
    HWND focus = FocusOf(run.ThreadId());
    EXPECT_TRUE(focus == ports || IsChild(ports, focus));
}

// Enter presses Send from Send itself and from the command edit, where Send
// is the default button while the edit has the focus; elsewhere the default
// is Fax Test All Modems again.
TEST_F(WindowTest, EnterOnSendOrInTheCommandEditSendsTheTypedCommand) {
    ASSERT_NE(modemCom, 0u) << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    RunningWindow run;
    const WindowDriver window = run.Driver();
    window.SelectPort(modemCom);
    HWND edit = window.Control(IDC_COMMANDEDIT);
    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ATI3"));
    SendMessageA(run.Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);

    // The keys as the keyboard delivers them to the control with the focus.
    PostMessageA(edit, WM_KEYDOWN, VK_TAB, 1);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(run.ThreadId()) == window.Control(IDC_SEND); }, 10s));
    PostMessageA(window.Control(IDC_SEND), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(window.Control(IDC_SEND), WM_KEYUP, VK_RETURN, 0xC0000001);
    ASSERT_TRUE(WaitUntil([&] { return window.PaneText(IDC_LOGPANE).find("OUT: ATI3\r\n") != std::string::npos; }));
    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_SEND); }));

    SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("ATI4"));
    SendMessageA(run.Window(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(edit), TRUE);
    EXPECT_EQ(LOWORD(SendMessageA(run.Window(), DM_GETDEFID, 0, 0)), IDC_SEND);
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC0000001);
    ASSERT_TRUE(WaitUntil([&] { return window.PaneText(IDC_LOGPANE).find("OUT: ATI4\r\n") != std::string::npos; }));
    ASSERT_TRUE(WaitUntil([&] { return window.Enabled(IDC_SEND); }));
    // The action took the focus to the log, and the default went back.
    EXPECT_EQ(LOWORD(SendMessageA(run.Window(), DM_GETDEFID, 0, 0)), IDC_FAXTESTALLMODEMS);
    // Send both times to the port it opened, never the default button's scan.
    EXPECT_EQ(CountOf(window.PaneText(IDC_LOGPANE), "Opened COM"), 1u);
    EXPECT_EQ(window.PaneText(IDC_LOGPANE), LogFile());
}

TEST_F(WindowTest, EnterAfterAbortEventPressesAbortEventAgain) {
    RunningWindow run;
    const WindowDriver window = run.Driver();
    window.Click(IDC_ABORTEVENT);
    ASSERT_TRUE(WaitUntil([&] { return FocusOf(run.ThreadId()) == window.Control(IDC_ABORTEVENT); }, 10s));
    PostMessageA(window.Control(IDC_ABORTEVENT), WM_KEYDOWN, VK_RETURN, 1);
    PostMessageA(window.Control(IDC_ABORTEVENT), WM_KEYUP, VK_RETURN, 0xC0000001);
    // A scan of COM1 to COM4, the default button's action, would write its
    // separator at once.
    Sleep(500);
    EXPECT_EQ(CountOf(window.PaneText(IDC_LOGPANE), "=*=*=*"), 0u);
}

TEST_F(WindowTest, AltXExitsThroughTheMenuBar) {
    RunningWindow run;
    // Alt+X as the keyboard delivers it to the window with the focus.
    HWND focus = run.Driver().Control(IDC_FAXTESTALLMODEMS);
    PostMessageA(focus, WM_SYSKEYDOWN, 'X', 0x20000001);
    PostMessageA(focus, WM_SYSKEYUP, 'X', 0xE0000001);
    EXPECT_TRUE(run.WaitForEnd());
    EXPECT_EQ(CountOf(LogFile(), "End Session - "), 1u);
}

}  // namespace
}  // namespace quillfen::test
