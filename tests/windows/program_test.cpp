// SPDX-License-Identifier: MIT
// quillfen.exe itself, started as a user starts it: the golden capability
// log from Fax Test Select Modem on the simulated modem's COM port, and the
// version the file reports. The test finds the window by its title in the
// other process and presses its controls from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>

#include "support/fixtures.h"
#include "windows/window_driver.h"
#include "win32/resources/resource_ids.h"

namespace quillfen::test {
namespace {

using namespace std::chrono_literals;

std::string ProgramPath(const char* program = "quillfen.exe") {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + program;
}

// The application manifest a program carries, as Windows reads it at start.
std::string Manifest(const std::string& file) {
    HMODULE module = LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) return {};
    std::string text;
    if (HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24))) {
        if (const char* bytes = static_cast<const char*>(LockResource(LoadResource(module, found))))
            text.assign(bytes, SizeofResource(module, found));
    }
    FreeLibrary(module);
    return text;
}

std::string VersionValue(const std::string& file, const char* name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(file.c_str(), &ignored);
    if (size == 0) return std::string();
    std::string block(size, '\0');
    if (!GetFileVersionInfoA(file.c_str(), 0, size, block.data())) return std::string();
    char* value = nullptr;
    UINT length = 0;
    const std::string key = std::string("\\StringFileInfo\\040904E4\\") + name;
    if (!VerQueryValueA(block.data(), key.c_str(), reinterpret_cast<void**>(&value), &length) || !value) return {};
    return std::string(value);
}

// quillfen.exe (or a copy at path) running in a directory of its own,
// shown as its starter asks (a shortcut's "Run:" setting) when show is given.
class RunningProgram {
public:
    explicit RunningProgram(const std::string& dir, int show = -1, const std::string& path = ProgramPath()) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        if (show >= 0) {
            startup.dwFlags = STARTF_USESHOWWINDOW;
            startup.wShowWindow = static_cast<WORD>(show);
        }
        std::string commandLine(1, '"');
        commandLine.append(path).push_back('"');
        started_ = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                                  &startup, &process_) != FALSE;
    }
    ~RunningProgram() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 1);
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    bool Started() const { return started_; }
    DWORD ProcessId() const { return process_.dwProcessId; }
    bool WaitForExit(DWORD ms) const { return WaitForSingleObject(process_.hProcess, ms) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
};

// The main window of a program just started, past its start-up message and
// with its port list filled; nullptr when that does not come.
HWND MainWindowOf(const RunningProgram& program) {
    HWND box = nullptr;
    if (!program.Started() ||
        !WaitUntil([&] { return (box = FindDialog(program.ProcessId(), 0, "Quillfen")) != nullptr; }))
        return nullptr;
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND main = nullptr;
    if (!WaitUntil([&] { return (main = WindowDriver::FindMainWindow()) != nullptr; })) return nullptr;
    const bool filled = WaitUntil([&] {
        return SendMessageA(GetDlgItem(main, IDC_PORTLIST), CB_GETCOUNT, 0, 0) == 256;
    });
    return filled ? main : nullptr;
}

TEST(ProgramTest, CarriesItsNameAndVersion) {
    EXPECT_EQ(VersionValue(ProgramPath(), "ProductName"), "Quillfen");
    EXPECT_EQ(VersionValue(ProgramPath(), "ProductVersion"), "09.05.01");
}

// Both programs name Windows 7 to 11 (no compatibility shims), run with
// the user's own rights and are aware of the system DPI; the classic
// controls stay (no Common Controls 6).
TEST(ProgramTest, BothProgramsCarryTheManifest) {
    for (const char* program : {"quillfen.exe", "quillfen-cli.exe"}) {
        const std::string manifest = Manifest(ProgramPath(program));
        for (const char* part : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                                 "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                                 "level=\"asInvoker\"", ">true</dpiAware>", ">system</dpiAwareness>"})
            EXPECT_NE(manifest.find(part), std::string::npos) << program << " lacks " << part;
        EXPECT_EQ(manifest.find("Common-Controls"), std::string::npos) << program;
    }
}

// Started minimized, as a shortcut set to "Run: Minimized" starts it: the
// window stays minimized, comes back maximized, and restored it has the
// template's layout, not one measured from a minimized window.
TEST(ProgramTest, StartedMinimizedItComesBackMaximizedWithTheTemplatesLayout) {
    TempDir dir;
    RunningProgram program(dir.Path(), SW_SHOWMINNOACTIVE);
    HWND main = MainWindowOf(program);
    ASSERT_NE(main, nullptr) << ProgramPath();
    const WindowDriver window(main);
    EXPECT_TRUE(IsIconic(main));

    auto pane = [&] { return window.PaneRect(IDC_LOGPANE); };
    ShowWindowAsync(main, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return IsZoomed(main) != FALSE; }, 10s));
    ASSERT_TRUE(WaitUntil([&] { return pane().right > 0; }, 10s));
    const RECT maximized = pane();
    ShowWindowAsync(main, SW_RESTORE);
    ASSERT_TRUE(WaitUntil([&] { return !IsZoomed(main) && !IsIconic(main) && pane().right < maximized.right; }, 10s));
    const RECT restored = pane();
    RECT client{};
    GetClientRect(main, &client);
    const int border = GetSystemMetrics(SM_CXBORDER);
    const int margin = (client.right + border) / 56;
    EXPECT_EQ(restored.left, -border + margin);
    EXPECT_EQ(restored.right, client.right + border - margin);
    EXPECT_EQ(restored.top, -2 * border + (client.bottom + border) / 2);
    EXPECT_EQ(maximized.top, restored.top);
    EXPECT_EQ(maximized.left, restored.left);

    window.Command(IDM_EXIT);
    EXPECT_TRUE(program.WaitForExit(30000));
}

// A riched32.dll planted beside quillfen.exe, as in a Downloads folder, is
// never loaded: the window takes Windows' own from the system folder. The
// harness tells Wine to prefer a riched32 it finds to its own, as Windows
// would take the first it finds.
TEST(ProgramTest, ARichEditDllPlantedBesideItIsNotLoaded) {
    TempDir dir;
    ASSERT_TRUE(CopyFileA(ProgramPath().c_str(), dir.File("quillfen.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileA(ProgramPath("planted\\riched32.dll").c_str(), dir.File("riched32.dll").c_str(), FALSE));
    {
        RunningProgram program(dir.Path(), -1, dir.File("quillfen.exe"));
        HWND main = MainWindowOf(program);
        ASSERT_NE(main, nullptr);
        char className[32] = {};
        GetClassNameA(GetDlgItem(main, IDC_LOGPANE), className, sizeof className);
        EXPECT_STREQ(className, "RICHEDIT") << "the log pane is Windows' own";
        PostMessageA(main, WM_COMMAND, IDM_EXIT, 0);
        EXPECT_TRUE(program.WaitForExit(30000));
    }
    EXPECT_EQ(GetFileAttributesA(dir.File("planted-dll-ran").c_str()), INVALID_FILE_ATTRIBUTES);

    // The planted DLL does leave its mark when it is loaded.
    ScopedChdir cwd(dir.Path());
    HMODULE planted = LoadLibraryA(dir.File("riched32.dll").c_str());
    ASSERT_NE(planted, nullptr);
    FreeLibrary(planted);
    EXPECT_NE(GetFileAttributesA(dir.File("planted-dll-ran").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(ProgramTest, FaxTestSelectModemWritesTheGoldenLog) {
    const unsigned modemCom = ComFromEnvironment("QUILLFEN_TEST_MODEM_COM");
    ASSERT_NE(modemCom, 0u) << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    TempDir dir;
    RunningProgram program(dir.Path());
    HWND main = MainWindowOf(program);
    ASSERT_NE(main, nullptr) << ProgramPath();
    const WindowDriver window(main);

    window.SelectPort(modemCom);
    window.Click(IDC_FAXTESTSELECTMODEM);
    ASSERT_TRUE(window.WaitForActionToEnd(IDC_FAXTESTSELECTMODEM));
    window.Command(IDM_EXIT);
    ASSERT_TRUE(program.WaitForExit(30000));

    std::string golden = ReadFile(QUILLFEN_TESTDATA_DIR "/capability_fax.log");
    ASSERT_FALSE(golden.empty());
    golden = std::regex_replace(golden, std::regex("COM1"), "COM" + std::to_string(modemCom));
    EXPECT_EQ(MaskStamps(ReadFile(dir.File("Modem001.txt"))), golden);
}

}  // namespace
}  // namespace quillfen::test
