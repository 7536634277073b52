#include "win32/rich_pane.h"

#include <richedit.h>

#include "host/win32/system_library.h"

namespace quillfen::win32 {

namespace {
// The largest limit the control takes: a long session must never reach it.
constexpr LPARAM PaneTextLimit = 0x7FFFFFFE;

// Whether the last line is in view: then new text should come into view too.
bool ViewAtBottom(HWND pane) {
    SCROLLINFO bar{};
    bar.cbSize = sizeof bar;
    bar.fMask = SIF_ALL;
    if (!GetScrollInfo(pane, SB_VERT, &bar) || bar.nPage == 0) return true;
    // Some rich-edit versions count the range one short of the others.
    return bar.nPos + static_cast<int>(bar.nPage) >= bar.nMax;
}

// Scrolls back to the first line the reader saw.
void ScrollBackTo(HWND pane, LRESULT firstLine) {
    const LRESULT movedBy = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0) - firstLine;
    if (movedBy != 0) SendMessageA(pane, EM_LINESCROLL, 0, -movedBy);
}
}  // namespace

bool LoadRichEdit() {
    static const HMODULE library = LoadSystemLibrary(L"riched32.dll");
    return library != nullptr;
}

HWND CreatePane(HWND parent, int controlId, const RECT& rect, HFONT font) {
    if (!LoadRichEdit()) return nullptr;
    HWND pane = CreateWindowExA(0, "RICHEDIT", "", PaneStyle, rect.left, rect.top, rect.right - rect.left,
                                rect.bottom - rect.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId)),
                                reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(parent, GWLP_HINSTANCE)), nullptr);
    if (!pane) return nullptr;
    SendMessageA(pane, EM_EXLIMITTEXT, 0, PaneTextLimit);
    if (font) SendMessageA(pane, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    return pane;
}

void MovePane(HWND pane, const RECT& rect) {
    if (!pane) return;
    // A view that showed the end of the text still shows it in the new size.
    const bool follow = ViewAtBottom(pane);
    MoveWindow(pane, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    if (follow) SendMessageA(pane, WM_VSCROLL, SB_BOTTOM, 0);
}

void InsertAt(HWND pane, std::int32_t position, const char* text) {
    // A reader who scrolled up keeps the lines they are reading; a view at
    // the bottom follows the new entry.
    const bool follow = ViewAtBottom(pane);
    const LRESULT firstLine = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
    CHARRANGE caret{position, position};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    if (!follow) ScrollBackTo(pane, firstLine);
}

void FocusKeepingView(HWND dialog, HWND pane) {
    // The dialog manager selects the whole text of a control it focuses,
    // which would scroll a reader away from the lines they are reading.
    const bool follow = ViewAtBottom(pane);
    const LRESULT firstLine = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0);
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(pane), TRUE);
    if (!follow) ScrollBackTo(pane, firstLine);
}

void SelectRange(HWND pane, std::int32_t start, std::int32_t end) {
    CHARRANGE range{start, end};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

}  // namespace quillfen::win32
