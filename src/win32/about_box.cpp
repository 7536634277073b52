// SPDX-License-Identifier: MIT
#include "win32/about_box.h"

#include <cstdio>

#include "host/host.h"
#include "win32/dialog_colours.h"
#include "win32/placement.h"
#include "win32/resources/resource_ids.h"

namespace quillfen::win32 {

namespace {

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (IsDialogColourMessage(message)) return DialogColours(reinterpret_cast<HDC>(wParam));
    switch (message) {
    case WM_INITDIALOG: {
        char version[64];
        std::snprintf(version, sizeof version, "Product Version: %.*s", static_cast<int>(ProductVersion.size()),
                      ProductVersion.data());
        SetDlgItemTextA(dialog, IDC_VERSIONTEXT, version);
        // Over the main window, wherever that is, not at its top left corner.
        if (HWND owner = GetWindow(dialog, GW_OWNER)) {
            RECT area;
            GetWindowRect(owner, &area);
            CentreIn(dialog, area);
        }
        return TRUE;  // the default focus, OK
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        return FALSE;
    default: return FALSE;
    }
}

}  // namespace

void ShowAboutBox(HINSTANCE instance, HWND owner) {
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_ABOUTBOX), owner, AboutProc, 0);
}

}  // namespace quillfen::win32
