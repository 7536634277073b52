// The main window's side of the host seam: what the core asks of the window
// while it logs, waits and reports.
#include "win32/main_window.h"

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

// The first control and the last of the busy set's contiguous range.
constexpr int FirstBusyControl = IDC_PORTLIST;
constexpr int LastBusyControl = IDC_SEND;
constexpr UINT BusyMenuItems[] = {IDM_COPYALLOFLOG, IDM_COPYSELECTEDTEXT, IDM_ABOUT, IDM_OPENHELP};

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
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDC_PORTLIST)), TRUE);
}

void MainWindow::FocusCommandEdit() {
    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDC_COMMANDEDIT)), TRUE);
}

void MainWindow::SetControlsEnabled(bool enabled) {
    for (int id = FirstBusyControl; id <= LastBusyControl; ++id) EnableWindow(GetDlgItem(window_, id), enabled);
    HMENU menu = GetMenu(window_);
    for (UINT item : BusyMenuItems) EnableMenuItem(menu, item, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
    if (!enabled) SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(logPane_), TRUE);
}

}  // namespace quillfen::win32
