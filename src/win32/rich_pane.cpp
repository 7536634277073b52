#include "win32/rich_pane.h"

#include <richedit.h>

namespace quillfen::win32 {

namespace {
// The largest limit the control takes: a long session must never reach it.
constexpr LPARAM PaneTextLimit = 0x7FFFFFFE;
}  // namespace

bool LoadRichEdit() {
    static const HMODULE library = LoadLibraryA("riched32.dll");
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
    if (pane) MoveWindow(pane, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, TRUE);
}

void InsertAt(HWND pane, std::int32_t position, const char* text) {
    CHARRANGE caret{position, position};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

void SelectRange(HWND pane, std::int32_t start, std::int32_t end) {
    CHARRANGE range{start, end};
    SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

}  // namespace quillfen::win32
