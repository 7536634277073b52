// SPDX-License-Identifier: MIT
// Where the program's dialogs appear: the main window centred on the work
// area (where a restored window comes back to), the About box over the main
// window.
#pragma once

#include <windows.h>

namespace quillfen::win32 {

// Moves the window, keeping its size, so that its frame is centred in area
// (screen coordinates).
void CentreIn(HWND window, const RECT& area);

// The work area of the monitor the window is on.
RECT WorkArea(HWND window);

}  // namespace quillfen::win32
