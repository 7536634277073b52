// SPDX-License-Identifier: MIT
// The About box, dialog template 200: product name, version, maker and
// rights, the icon and OK. Shown modally over the main window; nothing is
// read back from it.
#pragma once

#include <windows.h>

namespace quillfen::win32 {

void ShowAboutBox(HINSTANCE instance, HWND owner);

}  // namespace quillfen::win32
