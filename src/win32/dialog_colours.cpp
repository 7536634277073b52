// SPDX-License-Identifier: MIT
#include "win32/dialog_colours.h"

namespace quillfen::win32 {

namespace {
constexpr COLORREF Background = RGB(192, 192, 192);
constexpr COLORREF Text = RGB(0, 0, 0);

// The edit boxes and the panes keep their own white.
constexpr UINT GreyMessages[] = {WM_CTLCOLORDLG, WM_CTLCOLORSTATIC, WM_CTLCOLORBTN, WM_CTLCOLORMSGBOX};
}  // namespace

bool IsDialogColourMessage(UINT message) {
    for (UINT grey : GreyMessages)
        if (message == grey) return true;
    return false;
}

INT_PTR DialogColours(HDC dc) {
    // One brush for the whole run; the system frees it at exit.
    static const HBRUSH brush = CreateSolidBrush(Background);
    SetTextColor(dc, Text);
    SetBkColor(dc, Background);
    return reinterpret_cast<INT_PTR>(brush);
}

}  // namespace quillfen::win32
