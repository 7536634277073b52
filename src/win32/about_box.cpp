#include "win32/about_box.h"

#include <cstdio>

#include "host/host.h"
#include "win32/dialog_colours.h"
#include "win32/resources/resource_ids.h"

namespace quillfen::win32 {

namespace {

// Over the main window, wherever that is, rather than at its top left corner.
void CentreOverOwner(HWND dialog) {
    HWND owner = GetWindow(dialog, GW_OWNER);
    if (!owner) return;
    RECT box, area;
    GetWindowRect(dialog, &box);
    GetWindowRect(owner, &area);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    SetWindowPos(dialog, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    (void)lParam;
    if (IsDialogColourMessage(message)) return DialogColours(reinterpret_cast<HDC>(wParam));
    switch (message) {
    case WM_INITDIALOG: {
        char version[64];
        std::snprintf(version, sizeof version, "Product Version: %.*s", static_cast<int>(ProductVersion.size()),
                      ProductVersion.data());
        SetDlgItemTextA(dialog, IDC_VERSIONTEXT, version);
        CentreOverOwner(dialog);
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
