// SPDX-License-Identifier: MIT
// The main window's side of the host seam: what the core and the dispatch
// ask of the window while they log, wait, report and switch the busy set.
#include "win32/main_window.h"

#include "app/help_text.h"
#include "win32/about_box.h"
#include "win32/resources/resource_ids.h"
#include "win32/rich_pane.h"

namespace quillfen::win32 {

namespace {

struct IconRow {
    BoxIcon icon;
    UINT style;
};
constexpr IconRow IconStyles[] = {
    {BoxIcon::Information, MB_ICONINFORMATION},
    {BoxIcon::Question, MB_ICONQUESTION},
    {BoxIcon::Stop, MB_ICONHAND},
};

struct AnswerRow {
    int result;
    BoxAnswer answer;
};
constexpr AnswerRow Answers[] = {
    {IDOK, BoxAnswer::Ok},
    {IDRETRY, BoxAnswer::Retry},
};

}  // namespace

void MainWindow::PumpEvents() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: leave it for the loop that owns the thread.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        Deliver(message);
    }
}

BoxAnswer MainWindow::ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) {
    UINT style = buttons == BoxButtons::RetryCancel ? MB_RETRYCANCEL : MB_OK;
    for (const IconRow& row : IconStyles)
        if (row.icon == icon) style |= row.style;
    boxText_.assign(text);
    const std::string caption(ProductName);
    const int result = MessageBoxA(window_, boxText_.c_str(), caption.c_str(), style);
    for (const AnswerRow& row : Answers)
        if (row.result == result) return row.answer;
    return BoxAnswer::Cancel;
}

void MainWindow::InsertLogText(std::int32_t position, std::string_view text) {
    if (!logPane_) return;
    paneText_.assign(text);
    InsertAt(logPane_, position, paneText_.c_str());
}

int MainWindow::PortSelection() {
    const LRESULT selection = SendDlgItemMessageA(window_, IDC_PORTLIST, CB_GETCURSEL, 0, 0);
    return selection < 0 ? -1 : static_cast<int>(selection);
}

void MainWindow::PromptForPort() {
    SendDlgItemMessageA(window_, IDC_PORTLIST, CB_SHOWDROPDOWN, TRUE, 0);
    FocusControl(IDC_PORTLIST);
}

std::size_t MainWindow::ReadCommandText(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    const UINT limit = size > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<UINT>(size);
    return GetDlgItemTextA(window_, IDC_COMMANDEDIT, buffer, static_cast<int>(limit));
}

void MainWindow::EnableControl(std::uint16_t controlId, bool enabled) {
    EnableWindow(GetDlgItem(window_, controlId), enabled ? TRUE : FALSE);
}

void MainWindow::EnableMenuItem(std::uint16_t commandId, bool enabled) {
    ::EnableMenuItem(GetMenu(window_), commandId, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    // An item of the bar itself is drawn again only when asked to.
    if (commandId == id::Report) DrawMenuBar(window_);
}

void MainWindow::FocusControl(std::uint16_t controlId) {
    HWND control = GetDlgItem(window_, controlId);
    if (!control) return;
    if (control == logPane_) {
        FocusKeepingView(window_, control);
        return;
    }
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void MainWindow::SetDefaultButton(std::uint16_t controlId) {
    // The dialog manager presses it for Enter in the edit and draws it so.
    SendMessageA(window_, DM_SETDEFID, controlId, 0);
}

void MainWindow::ShowAbout() { ShowAboutBox(instance_, window_); }

HWND MainWindow::CoverLog(int paneId, const char* text) {
    ShowWindow(logPane_, SW_HIDE);
    if (const RECT* current = CurrentPaneRect()) helpRect_ = *current;
    HWND pane = CreatePane(window_, paneId, helpRect_, fixedFont_);
    if (!pane) return nullptr;
    SendMessageA(pane, EM_SETSEL, 0, 0);
    SendMessageA(pane, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
    // The reader's keys (arrows, Escape) go to the pane shown, not the hidden log.
    FocusKeepingView(window_, pane);
    // Open at the top: the reader starts with the first line, not the last.
    SendMessageA(pane, EM_SETSEL, 0, 0);
    SendMessageA(pane, EM_SCROLLCARET, 0, 0);
    return pane;
}

void MainWindow::OpenHelp() { helpPane_ = CoverLog(IDC_HELPPANE, HelpPaneText); }

void MainWindow::OpenReport(std::string_view text) {
    paneText_.assign(text);
    reportPane_ = CoverLog(IDC_REPORTPANE, paneText_.c_str());
}

void MainWindow::CloseHelp() {
    if (helpPane_) DestroyWindow(helpPane_);
    helpPane_ = nullptr;
    if (reportPane_) DestroyWindow(reportPane_);
    reportPane_ = nullptr;
    ShowWindow(logPane_, SW_RESTORE);
    if (const RECT* current = CurrentPaneRect()) MovePane(logPane_, *current);
    FocusKeepingView(window_, logPane_);
}

namespace {

void CopyFrom(HWND pane, CopyScope scope) {
    if (!pane) return;
    // All of it, however long: a log's end holds the class results.
    if (scope == CopyScope::AllOfLog) SelectRange(pane, 0, -1);
    SendMessageA(pane, WM_COPY, 0, 0);
}

}  // namespace

void MainWindow::CopyLog(CopyScope scope) { CopyFrom(logPane_, scope); }

void MainWindow::CopyReport(CopyScope scope) { CopyFrom(reportPane_, scope); }

void MainWindow::PostCommand(std::uint16_t commandId) {
    PostMessageA(window_, WM_COMMAND, MAKEWPARAM(commandId, 0), reinterpret_cast<LPARAM>(window_));
}

void MainWindow::EndWindow() {
    // Only marks the window: its loop lets it go once control is back there.
    ended_ = true;
}

}  // namespace quillfen::win32
