// SPDX-License-Identifier: MIT
#include "win32/rich_pane.h"

#include <richedit.h>

#include "host/win32/system_library.h"

namespace quillfen::win32 {

namespace {
// The largest limit the control takes: a long session must never reach it.
constexpr LPARAM PaneTextLimit = 0x7FFFFFFE;

// Whether the end of the text is in view: then new text should come into
// view too. Told by lines, never by pixels: the control gives pixel
// positions in 16 bits, and a session's log runs past 65,535 pixels after
// a few capability tests. The empty line after the last line end may be
// out of sight.
bool ViewAtBottom(HWND pane) {
    RECT view{};
    SendMessageA(pane, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&view));
    POINTL bottomLeft{view.left, view.bottom - 1};
    const LRESULT lastShown = SendMessageA(pane, EM_CHARFROMPOS, 0, reinterpret_cast<LPARAM>(&bottomLeft));
    const LRESULT lastShownLine = SendMessageA(pane, EM_EXLINEFROMCHAR, 0, lastShown);
    return lastShownLine + 2 >= SendMessageA(pane, EM_GETLINECOUNT, 0, 0);
}

// Scrolls back to the first line the reader saw. Right after new text a
// control may not scroll a long way back by exactly the lines asked for,
// so it is asked again until the view lands.
constexpr int ScrollBackPasses = 16;

void ScrollBackTo(HWND pane, LRESULT firstLine) {
    for (int pass = 0; pass < ScrollBackPasses; ++pass) {
        const LRESULT movedBy = SendMessageA(pane, EM_GETFIRSTVISIBLELINE, 0, 0) - firstLine;
        if (movedBy == 0) return;
        SendMessageA(pane, EM_LINESCROLL, 0, -movedBy);
    }
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
