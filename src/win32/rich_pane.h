// SPDX-License-Identifier: MIT
// The two read-only text panes of the main window, the log (1008) and the
// help (1009): rich-edit controls of the class "RICHEDIT" from riched32.dll,
// which keep CR LF as two characters, so a log position counts exactly the
// bytes that went to the log file.
#pragma once

#include <windows.h>

#include <cstdint>

namespace quillfen::win32 {

// WS_CHILD, WS_VISIBLE, WS_BORDER, both scroll bars, WS_GROUP, WS_TABSTOP,
// ES_MULTILINE, ES_AUTOVSCROLL, ES_AUTOHSCROLL, ES_READONLY, ES_WANTRETURN.
inline constexpr DWORD PaneStyle = 0x50B318C4;

// Loads riched32.dll once, which registers the class. False when it is missing.
bool LoadRichEdit();

// A pane at rect (client coordinates of parent), or nullptr when the class
// is missing. Its text limit is raised so that it never stops taking text.
HWND CreatePane(HWND parent, int controlId, const RECT& rect, HFONT font);

// Moves the pane to rect and repaints it, still showing the end of its text
// if it showed it before. No pane, no move.
void MovePane(HWND pane, const RECT& rect);

// Replaces the empty selection at position with text. The view follows the
// new text only when it showed the end of the text before.
void InsertAt(HWND pane, std::int32_t position, const char* text);

// Gives the pane the dialog's focus without scrolling a reader away.
void FocusKeepingView(HWND dialog, HWND pane);

// Selects from start to end (-1: to the end).
void SelectRange(HWND pane, std::int32_t start, std::int32_t end);

}  // namespace quillfen::win32
