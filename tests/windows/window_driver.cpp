// SPDX-License-Identifier: MIT
#include "windows/window_driver.h"

#include <thread>
#include <vector>

#include "win32/resources/resource_ids.h"

namespace quillfen::test {

namespace {

constexpr auto PollInterval = std::chrono::milliseconds(20);

constexpr int BusyControls[] = {IDC_PORTLIST, IDC_FINDALLMODEMS, IDC_FAXTESTSELECTMODEM, IDC_FAXTESTALLMODEMS,
                                IDC_SEND};
constexpr int BusyMenuItems[] = {IDM_COPYALLOFLOG, IDM_COPYSELECTEDTEXT, IDM_ABOUT, IDM_OPENHELP, IDM_REPORT};

struct DialogSearch {
    DWORD processId;
    DWORD threadId;
    const char* title;
    HWND found;
};

BOOL CALLBACK MatchDialog(HWND window, LPARAM context) {
    auto& search = *reinterpret_cast<DialogSearch*>(context);
    DWORD processId = 0;
    const DWORD threadId = GetWindowThreadProcessId(window, &processId);
    if (search.threadId && threadId != search.threadId) return TRUE;
    if (search.processId && processId != search.processId) return TRUE;
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) != "#32770" || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) != search.title) return TRUE;
    search.found = window;
    return FALSE;
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(PollInterval);
    }
    return true;
}

HWND FindDialog(DWORD processId, DWORD threadId, const char* title) {
    DialogSearch search{processId, threadId, title, nullptr};
    EnumWindows(MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window) {
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return std::string();
    std::vector<char> text(static_cast<std::size_t>(length) + 1);
    const LRESULT copied = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    return std::string(text.data(), static_cast<std::size_t>(copied > 0 ? copied : 0));
}

std::string MessageBoxText(HWND box) {
    // The box's text is the static control with the id 0xFFFF.
    return WindowText(GetDlgItem(box, 0xFFFF));
}

HWND WindowDriver::FindMainWindow() { return FindWindowA(nullptr, MainWindowTitle); }

void WindowDriver::Click(int id) const { PostMessageA(Control(id), BM_CLICK, 0, 0); }

void WindowDriver::Command(int id) const { PostMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void WindowDriver::CommandNow(int id) const { SendMessageA(window_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

void WindowDriver::Close() const { PostMessageA(window_, WM_CLOSE, 0, 0); }

bool WindowDriver::Enabled(int id) const { return IsWindowEnabled(Control(id)) != FALSE; }

bool WindowDriver::MenuGrayed(int id) const {
    return (GetMenuState(GetMenu(window_), static_cast<UINT>(id), MF_BYCOMMAND) & MF_GRAYED) != 0;
}

std::string WindowDriver::PaneText(int id) const { return WindowText(Control(id)); }

RECT WindowDriver::PaneRect(int id) const {
    RECT rect{};
    GetWindowRect(Control(id), &rect);
    MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

void WindowDriver::SelectPort(unsigned comNumber) const {
    SendMessageA(Control(IDC_PORTLIST), CB_SETCURSEL, comNumber - 1, 0);
}

bool WindowDriver::BusySetIs(bool enabled) const {
    for (int id : BusyControls)
        if (Enabled(id) != enabled) return false;
    for (int id : BusyMenuItems)
        if (MenuGrayed(id) == enabled) return false;
    return true;
}

bool WindowDriver::WaitForActionToEnd(int buttonId) const {
    // The button is disabled while its action runs; a click that never
    // started one leaves it enabled throughout and fails here.
    return WaitUntil([&] { return !Enabled(buttonId); }, std::chrono::seconds(10)) &&
           WaitUntil([&] { return Enabled(buttonId); });
}

}  // namespace quillfen::test
