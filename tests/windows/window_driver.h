// SPDX-License-Identifier: MIT
// Drives Quillfen's main window the way a user would, from outside its
// thread: finds it by its title, answers message boxes, presses buttons with
// BM_CLICK and menu items with WM_COMMAND, and reads the panes (WM_GETTEXT),
// the controls' states (IsWindowEnabled) and the menu's (GetMenuState).
// Every wait polls with a limit, so a window that never answers fails the
// test instead of hanging it.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>

namespace quillfen::test {

inline constexpr char MainWindowTitle[] = "Quillfen 09.05.01";
inline constexpr auto DefaultWait = std::chrono::seconds(60);

// Polls until the condition holds; false after the limit.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit = DefaultWait);

// A visible top-level dialog (class "#32770") titled title that belongs to
// the thread (or, with thread 0, to the process); nullptr when there is none.
HWND FindDialog(DWORD processId, DWORD threadId, const char* title);

// The text of any window, across threads and processes.
std::string WindowText(HWND window);

// Text of a message box: its static text control.
std::string MessageBoxText(HWND box);

class WindowDriver {
public:
    // The main window, found by its title; nullptr until it exists.
    static HWND FindMainWindow();

    explicit WindowDriver(HWND window) : window_(window) {}
    HWND Control(int id) const { return GetDlgItem(window_, id); }
    // Where a control stands in the window's client area.
    RECT PaneRect(int id) const;

    // A button click, queued, so an action may run while the driver reads.
    void Click(int id) const;
    // A menu choice (or any command), queued.
    void Command(int id) const;
    // A command that returns at once (copying, not an action), handled
    // before this call returns, so nothing the test does races with it.
    void CommandNow(int id) const;
    void Close() const;

    bool Enabled(int id) const;
    // GetMenuState of a menu item; only within the window's own process.
    bool MenuGrayed(int id) const;
    std::string PaneText(int id) const;
    void SelectPort(unsigned comNumber) const;

    // The busy set, all enabled (true) or all disabled and grayed (false).
    bool BusySetIs(bool enabled) const;
    // Waits for an action started by a click to run and end.
    bool WaitForActionToEnd(int buttonId) const;

private:
    HWND window_;
};

}  // namespace quillfen::test
