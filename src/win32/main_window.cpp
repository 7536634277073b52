#include "win32/main_window.h"

#include <cstdio>
#include <cstring>

#include "log/session_log.h"
#include "app/help_text.h"
#include "win32/about_box.h"
#include "win32/dialog_colours.h"
#include "win32/resources/resource_ids.h"
#include "win32/rich_pane.h"

namespace quillfen::win32 {

namespace {

// SetWindowPos flags of TopMost: no size, no move, no redraw, no activation.
constexpr UINT TopMostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE;

bool IsTopMostRequest(const char* commandLineText) { return std::strcmp(commandLineText, "TopMost") == 0; }

void CentreOnDesktop(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
    const RECT& area = monitor.rcWork;
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, area.left + (area.right - area.left - width) / 2,
                 area.top + (area.bottom - area.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

const MainWindow::MessageRow MainWindow::MessageTable[] = {
    {WM_INITDIALOG, &MainWindow::OnInitDialog},
    {WM_COMMAND, &MainWindow::OnCommand},
    {WM_CLOSE, &MainWindow::OnClose},
    {WM_SIZE, &MainWindow::OnSize},
    {WM_PAINT, &MainWindow::OnPaint},
    {WM_QUERYDRAGICON, &MainWindow::OnQueryDragIcon},
    {WM_DESTROY, &MainWindow::OnDestroy},
};

MainWindow::MainWindow(HINSTANCE instance, const char* argumentText)
    : instance_(instance), app_(*this, names_) {
    CopyBounded(commandLineText_, argumentText, sizeof commandLineText_);
    bigIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLFEN), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(IDI_QUILLFEN), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    boxText_.reserve(1024);
    paneText_.reserve(LogLineBufferSize);
}

void MainWindow::Run() {
    LoadRichEdit();
    // The dialog's own modal loop: ending the session only marks the window,
    // and the loop lets it go once a running action has unwound. (The
    // system's DialogBox would show the window restored again when its queue
    // first runs empty, undoing the maximized start.)
    if (!CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_MAINWINDOW), nullptr, DialogProc,
                            reinterpret_cast<LPARAM>(this)))
        return;
    MSG message;
    while (!ended_ && GetMessageA(&message, nullptr, 0, 0) > 0) Deliver(message);
    DestroyWindow(window_);
}

void MainWindow::Deliver(MSG& message) {
    // Through the dialog manager, so Tab, mnemonics and Enter work in the
    // window whether it is idle or inside an action's wait.
    if (window_ && IsDialogMessageA(window_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

INT_PTR CALLBACK MainWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<MainWindow*>(lParam)->window_ = window;
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!self) return FALSE;
    if (IsDialogColourMessage(message)) return DialogColours(reinterpret_cast<HDC>(wParam));
    for (const MessageRow& row : MessageTable)
        if (row.message == message) return (self->*row.handler)(wParam, lParam);
    return FALSE;
}

INT_PTR MainWindow::OnInitDialog(WPARAM, LPARAM) {
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    char title[64];
    std::snprintf(title, sizeof title, "%.*s %.*s", static_cast<int>(ProductName.size()), ProductName.data(),
                  static_cast<int>(ProductVersion.size()), ProductVersion.data());
    SetWindowTextA(window_, title);

    fixedFont_ = static_cast<HFONT>(GetStockObject(SYSTEM_FIXED_FONT));
    if (fixedFont_) {
        SendDlgItemMessageA(window_, IDC_PORTLIST, WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_), TRUE);
        SendDlgItemMessageA(window_, IDC_COMMANDEDIT, WM_SETFONT, reinterpret_cast<WPARAM>(fixedFont_), TRUE);
    }
    EnableMenuItem(GetMenu(window_), IDM_CLOSEHELP, MF_BYCOMMAND | MF_GRAYED);

    RestoredLayout();

    // The template's edit box only holds the place; the log pane takes its id.
    DestroyWindow(GetDlgItem(window_, IDC_LOGPANE));
    logPane_ = CreatePane(window_, IDC_LOGPANE, maximizedRect_, fixedFont_);

    if (IsTopMostRequest(commandLineText_)) SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, TopMostFlags);

    // Centred while restored, so that restoring brings it back to the middle.
    CentreOnDesktop(window_);
    MaximizedLayout();

    app_.Start();
    FillPortList();

    SendMessageA(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window_, IDC_FAXTESTALLMODEMS)), TRUE);
    return FALSE;  // the focus is set
}

void MainWindow::FillPortList() {
    SendDlgItemMessageA(window_, IDC_PORTLIST, CB_RESETCONTENT, 0, 0);
    for (int com = 1; com <= PortCount; ++com) {
        char name[16];
        std::snprintf(name, sizeof name, "COM%i", com);
        SendDlgItemMessageA(window_, IDC_PORTLIST, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

RECT MainWindow::InflatedClient() const {
    RECT client;
    GetClientRect(window_, &client);
    InflateRect(&client, GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER));
    return client;
}

RECT MainWindow::PaneRectIn(const RECT& r) const {
    return RECT{r.left + paneMargin_, r.top + paneTop_, r.right - paneMargin_, r.bottom - paneMargin_};
}

void MainWindow::RestoredLayout() {
    ShowWindow(window_, SW_RESTORE);
    const RECT r = InflatedClient();
    paneTop_ = r.top + r.bottom / 2;
    paneMargin_ = r.right / 56;
    restoredRect_ = PaneRectIn(r);
}

void MainWindow::MaximizedLayout() {
    ShowWindow(window_, SW_SHOWMAXIMIZED);
    // The restored top and margins stay: the pane only grows.
    maximizedRect_ = PaneRectIn(InflatedClient());
    MovePane(logPane_, maximizedRect_);
}

const RECT* MainWindow::CurrentPaneRect() const {
    if (sizeState_ == Restored) return &restoredRect_;
    if (sizeState_ == Maximized) return &maximizedRect_;
    return nullptr;
}

INT_PTR MainWindow::OnSize(WPARAM wParam, LPARAM) {
    sizeState_ = static_cast<int>(wParam);
    const RECT* target = CurrentPaneRect();
    if (!target) return FALSE;
    // The hidden log pane is placed again when help closes.
    MovePane(helpShown_ ? helpPane_ : logPane_, *target);
    return FALSE;
}

INT_PTR MainWindow::OnPaint(WPARAM, LPARAM) {
    if (!IsIconic(window_)) return FALSE;
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window_, &paint);
    SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(window_, &client);
    DrawIcon(dc, (client.right - iconWidth + 1) / 2, (client.bottom - iconHeight + 1) / 2, bigIcon_);
    EndPaint(window_, &paint);
    return TRUE;
}

INT_PTR MainWindow::OnQueryDragIcon(WPARAM, LPARAM) { return reinterpret_cast<INT_PTR>(bigIcon_); }

INT_PTR MainWindow::OnDestroy(WPARAM, LPARAM) {
    // The port's closed line, then the end line.
    app_.Shutdown();
    return FALSE;
}

INT_PTR MainWindow::OnClose(WPARAM, LPARAM) {
    // A close request is an Exit, handled after the current message by
    // whichever loop runs next; once Exit was asked for, nothing more.
    if (!exitPosted_ && !app_.ExitRequested()) {
        exitPosted_ = true;
        PostMessageA(window_, WM_COMMAND, IDM_EXIT, reinterpret_cast<LPARAM>(window_));
    }
    return TRUE;
}

INT_PTR MainWindow::OnCommand(WPARAM wParam, LPARAM) {
    const int controlId = LOWORD(wParam);
    const int code = HIWORD(wParam);
    if (controlId == IDC_PORTLIST) {
        if (code == CBN_SELCHANGE || code == CBN_DROPDOWN || code == CBN_KILLFOCUS) app_.HandlePortListChange();
        return TRUE;
    }
    // Only clicks and menu choices carry code 0 (1 for accelerators).
    if (code != 0) return FALSE;
    DispatchCommand(controlId);
    return TRUE;
}

void MainWindow::DispatchCommand(int commandId) {
    auto busy = [this](auto action) {
        if (ended_ || app_.Busy()) return;
        action();
        if (app_.ExitRequested()) EndSession();
    };
    switch (commandId) {
    case IDC_FINDALLMODEMS: busy([this] { app_.FindAllModems(); }); break;
    case IDC_FAXTESTSELECTMODEM: busy([this] { app_.FaxTestSelectModem(); }); break;
    case IDC_FAXTESTALLMODEMS: busy([this] { app_.FaxTestAllModems(); }); break;
    case IDC_SEND:
        busy([this] {
            char text[64];
            GetDlgItemTextA(window_, IDC_COMMANDEDIT, text, 55);
            app_.Send(text);
        });
        break;
    case IDC_ABORTEVENT: app_.AbortEvent(); break;
    case IDM_COPYALLOFLOG: CopyAllOfLog(); break;
    case IDM_COPYSELECTEDTEXT: CopySelectedText(); break;
    case IDM_ABOUT: ShowAbout(); break;
    case IDM_OPENHELP: OpenHelp(); break;
    case IDM_CLOSEHELP: CloseHelp(); break;
    case IDM_EXIT:
    case IDCANCEL:
        app_.Exit();
        if (!app_.Busy()) EndSession();
        break;
    default: break;
    }
}

void MainWindow::EndSession() {
    if (ended_) return;
    ended_ = true;
    // Only marks the dialog: its loop ends once control returns to it.
}

void MainWindow::CopyAllOfLog() {
    // The whole log, however long: its end holds the class results.
    CopyRange(logPane_, 0, -1);
}

void MainWindow::CopySelectedText() {
    if (logPane_) SendMessageA(logPane_, WM_COPY, 0, 0);
}

void MainWindow::ShowAbout() { ShowAboutBox(instance_, window_); }

void MainWindow::OpenHelp() {
    SetControlsEnabled(false);
    EnableMenuItem(GetMenu(window_), IDM_CLOSEHELP, MF_BYCOMMAND | MF_ENABLED);
    ShowWindow(logPane_, SW_HIDE);
    if (const RECT* current = CurrentPaneRect()) helpRect_ = *current;
    helpPane_ = CreatePane(window_, IDC_HELPPANE, helpRect_, fixedFont_);
    helpShown_ = true;
    if (helpPane_) {
        SendMessageA(helpPane_, EM_SETSEL, 0, 0);
        SendMessageA(helpPane_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(HelpPaneText));
        // Open at the top: the reader starts with the first line, not the last.
        SendMessageA(helpPane_, EM_SETSEL, 0, 0);
        SendMessageA(helpPane_, EM_SCROLLCARET, 0, 0);
    }
}

void MainWindow::CloseHelp() {
    if (helpPane_) DestroyWindow(helpPane_);
    helpPane_ = nullptr;
    helpShown_ = false;
    SetControlsEnabled(true);
    EnableMenuItem(GetMenu(window_), IDM_CLOSEHELP, MF_BYCOMMAND | MF_GRAYED);
    ShowWindow(logPane_, SW_RESTORE);
    if (const RECT* current = CurrentPaneRect()) MovePane(logPane_, *current);
}

}  // namespace quillfen::win32
