// SPDX-License-Identifier: MIT
// Both dialogs draw on light grey (0xC0C0C0) with black text, the look of
// the program's dialogs on every Windows version.
#pragma once

#include <windows.h>

namespace quillfen::win32 {

// True for the WM_CTLCOLOR* messages the grey applies to.
bool IsDialogColourMessage(UINT message);
// The brush to return for such a message; sets the text colours on dc.
INT_PTR DialogColours(HDC dc);

}  // namespace quillfen::win32
