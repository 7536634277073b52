// quillfen.exe itself, started as a user starts it: the golden capability
// log from Fax Test Select Modem on the simulated modem's COM port, and the
// version the file reports. The test finds the window by its title in the
// other process and presses its controls from outside.
#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>

#include "windows/win_fixtures.h"
#include "windows/window_driver.h"
#include "win32/resources/resource_ids.h"

namespace quillfen {
namespace {

using namespace std::chrono_literals;
using test::ComFromEnvironment;
using test::FindDialog;
using test::MaskStamps;
using test::ReadWholeFile;
using test::WaitUntil;
using test::WindowDriver;
using test::WinTempDir;

std::string ProgramPath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string dir(path);
    return dir.substr(0, dir.find_last_of("\\/") + 1) + "quillfen.exe";
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

// quillfen.exe running in a directory of its own.
class RunningProgram {
public:
    explicit RunningProgram(const std::string& dir) {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        std::string commandLine(1, '"');
        commandLine.append(ProgramPath()).push_back('"');
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

TEST(ProgramTest, CarriesItsNameAndVersion) {
    EXPECT_EQ(VersionValue(ProgramPath(), "ProductName"), "Quillfen");
    EXPECT_EQ(VersionValue(ProgramPath(), "ProductVersion"), "09.05.01");
}

TEST(ProgramTest, FaxTestSelectModemWritesTheGoldenLog) {
    const unsigned modemCom = ComFromEnvironment("QUILLFEN_TEST_MODEM_COM");
    ASSERT_NE(modemCom, 0u) << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    WinTempDir dir;
    RunningProgram program(dir.Path());
    ASSERT_TRUE(program.Started()) << ProgramPath();

    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (box = FindDialog(program.ProcessId(), 0, "Quillfen")) != nullptr; }));
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    HWND main = nullptr;
    ASSERT_TRUE(WaitUntil([&] { return (main = WindowDriver::FindMainWindow()) != nullptr; }));
    const WindowDriver window(main);
    ASSERT_TRUE(WaitUntil([&] { return SendMessageA(window.Control(IDC_PORTLIST), CB_GETCOUNT, 0, 0) == 256; }));

    window.SelectPort(modemCom);
    window.Click(IDC_FAXTESTSELECTMODEM);
    ASSERT_TRUE(window.WaitForActionToEnd(IDC_FAXTESTSELECTMODEM));
    window.Command(IDM_EXIT);
    ASSERT_TRUE(program.WaitForExit(30000));

    std::string golden = ReadWholeFile(QUILLFEN_TESTDATA_DIR "/capability_fax.log");
    ASSERT_FALSE(golden.empty());
    golden = std::regex_replace(golden, std::regex("COM1"), "COM" + std::to_string(modemCom));
    EXPECT_EQ(MaskStamps(ReadWholeFile(dir.File("Modem001.txt"))), golden);
}

}  // namespace
}  // namespace quillfen
