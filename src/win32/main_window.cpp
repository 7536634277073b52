// SPDX-License-Identifier: MIT
#include "win32/main_window.h"

#include <commctrl.h>

#include <cstdio>

#include "host/win32/system_library.h"
#include "log/session_log.h"
#include "serial/ports_file.h"
#include "win32/dialog_colours.h"
#include "win32/placement.h"
#include "win32/resources/resource_ids.h"
#include "win32/rich_pane.h"

namespace quillfen::win32 {

// The resources' ids are the dispatch's.
static_assert(IDC_PORTLIST == id::PortList && IDC_FINDALLMODEMS == id::FindAllModems &&
              IDC_FAXTESTSELECTMODEM == id::FaxTestSelectModem && IDC_FAXTESTALLMODEMS == id::FaxTestAllModems &&
              IDC_SEND == id::Send && IDC_COMMANDEDIT == id::CommandEdit && IDC_ABORTEVENT == id::AbortEvent &&
              IDC_LOGPANE == id::LogPane && IDC_HELPPANE == id::HelpPane && IDC_REPORTPANE == id::ReportPane);
static_assert(IDM_COPYALLOFLOG == id::CopyAllOfLog && IDM_COPYSELECTEDTEXT == id::CopySelectedText &&
              IDM_ABOUT == id::About && IDM_OPENHELP == id::OpenHelp && IDM_CLOSEHELP == id::CloseHelp &&
              IDM_EXIT == id::Exit && IDM_REPORT == id::Report && IDCANCEL == id::Cancel);

namespace {

// SetWindowPos flags of TopMost: no size, no move, no redraw, no activation.
constexpr UINT TopMostFlags = SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE;

// Whoever started the program asked for its window minimized (a shortcut
// set to "Run: Minimized").
bool StartedMinimized() {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    if (!(startup.dwFlags & STARTF_USESHOWWINDOW)) return false;
    for (WORD minimized : {SW_SHOWMINIMIZED, SW_MINIMIZE, SW_SHOWMINNOACTIVE, SW_FORCEMINIMIZE}) {
        if (startup.wShowWindow == minimized) return true;
    }
    return false;
}

RECT ToRect(const PaneRect& rect) { return RECT{rect.left, rect.top, rect.right, rect.bottom}; }

}  // namespace

const MainWindow::MessageRow MainWindow::MessageTable[] = {
    {WM_INITDIALOG, &MainWindow::OnInitDialog},
    {WM_COMMAND, &MainWindow::OnCommand},
    {WM_CLOSE, &MainWindow::OnClose},
    {WM_SIZE, &MainWindow::OnSize},
    {WM_PAINT, &MainWindow::OnPaint},
    {WM_QUERYDRAGICON, &MainWindow::OnQueryDragIcon},
    {WM_DESTROY, &MainWindow::OnDestroy},
    {WM_NOTIFY, &MainWindow::OnNotify},
};

MainWindow::MainWindow(HINSTANCE instance, const char* argumentText)
    : instance_(instance), app_(*this, names_) {
    // Remote modems and odd adaptors are placed by the user's ports file.
    names_.UsePortsFile(DefaultPortsFile());
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
    if (message.message == WM_KEYDOWN && message.wParam == VK_RETURN && PressFocusedButton()) return;
    if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE && EscapeInPane()) return;
    // Through the dialog manager, so Tab, mnemonics and Enter work in the
    // window whether it is idle or inside an action's wait.
    if (window_ && IsDialogMessageA(window_, &message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

bool MainWindow::PressFocusedButton() {
    // Enter presses the push button that has the focus however it got it;
    // the dialog manager does so only for a button it focused itself, so
    // after a click on Abort Event, Enter would start the default button's
    // scan of COM1 to COM4 instead.
    HWND focus = GetFocus();
    if (!window_ || !focus || !IsChild(window_, focus) || !IsWindowEnabled(focus)) return false;
    char className[16] = {};
    GetClassNameA(focus, className, sizeof className);
    const LONG type = GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK;
    if (lstrcmpiA(className, "Button") != 0 || (type != BS_PUSHBUTTON && type != BS_DEFPUSHBUTTON)) return false;
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(focus), BN_CLICKED), reinterpret_cast<LPARAM>(focus));
    return true;
}

bool MainWindow::EscapeInPane() {
    // A rich edit takes every key, and in a dialog it answers Escape by
    // closing the window, which is Exit even while the help or the report is
    // up. From a pane Escape is the dialog's Cancel, as from any other
    // control, and the dispatch says what Cancel means now.
    HWND focus = GetFocus();
    if (!focus || (focus != logPane_ && focus != helpPane_ && focus != reportPane_)) return false;
    SendMessageA(window_, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return true;
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
    ::EnableMenuItem(GetMenu(window_), IDM_CLOSEHELP, MF_BYCOMMAND | MF_GRAYED);

    RestoredLayout();

    // The template's edit box only holds the place; the log pane takes its id.
    DestroyWindow(GetDlgItem(window_, IDC_LOGPANE));
    logPane_ = CreatePane(window_, IDC_LOGPANE, maximizedRect_, fixedFont_);

    if (IsTopMostRequest(commandLineText_)) SetWindowPos(window_, HWND_TOPMOST, 0, 0, 0, 0, TopMostFlags);

    // Centred while restored, so that restoring brings it back to the middle.
    CentreIn(window_, WorkArea(window_));
    ShowAtStart();

    app_.Start();
    FillPortList();
    AddPortTip();

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

void MainWindow::AddPortTip() {
    // comctl32 is not among the DLLs Windows always takes from its own
    // folder, so it is loaded by hand from there rather than imported.
    HMODULE commonControls = LoadSystemLibrary(L"comctl32.dll");
    using InitControls = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
    const auto initControls = commonControls ? reinterpret_cast<InitControls>(reinterpret_cast<void*>(
                                                   GetProcAddress(commonControls, "InitCommonControlsEx")))
                                             : nullptr;
    if (!initControls) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES};
    initControls(&controls);
    portTip_ = CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr, instance_, nullptr);
    if (!portTip_) return;
    TOOLINFOA tool{};
    // The classic controls (no version 6 manifest) refuse the larger
    // record newer headers define.
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(GetDlgItem(window_, IDC_PORTLIST));
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(portTip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

INT_PTR MainWindow::OnNotify(WPARAM, LPARAM lParam) {
    const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
    if (!header || header->hwndFrom != portTip_) return FALSE;
    if (header->code != TTN_GETDISPINFOA && header->code != TTN_GETDISPINFOW) return FALSE;
    const int selection = PortSelection();
    tipText_ = selection >= 0 ? names_.Describe(static_cast<unsigned>(selection) + 1) : std::string();
    if (header->code == TTN_GETDISPINFOA) {
        reinterpret_cast<NMTTDISPINFOA*>(lParam)->lpszText = tipText_.data();
    } else {
        int length = MultiByteToWideChar(CP_ACP, 0, tipText_.c_str(), -1, nullptr, 0);
        tipWide_.assign(length > 0 ? static_cast<std::size_t>(length) : 1, L'\0');
        MultiByteToWideChar(CP_ACP, 0, tipText_.c_str(), -1, tipWide_.data(), length);
        reinterpret_cast<NMTTDISPINFOW*>(lParam)->lpszText = tipWide_.data();
    }
    return TRUE;
}

RECT MainWindow::PaneRectForClient() const {
    RECT client;
    GetClientRect(window_, &client);
    return ToRect(layout_.RectFor(client.right, client.bottom));
}

void MainWindow::RestoredLayout() {
    // Measured from the template, in the dialog's own units, rather than
    // from the window shown restored: a window that starts minimized has no
    // client area to measure.
    RECT r{0, 0, MAINWINDOW_WIDTH, MAINWINDOW_HEIGHT};
    MapDialogRect(window_, &r);
    layout_ = PaneLayout({GetSystemMetrics(SM_CXBORDER), GetSystemMetrics(SM_CYBORDER)});
    layout_.MeasureRestored(r.right, r.bottom);
    restoredRect_ = ToRect(layout_.RectFor(r.right, r.bottom));
}

void MainWindow::ShowAtStart() {
    // Windows applies the show state its starter asked for to the first
    // ShowWindow, whatever that asks for: this is that call.
    ShowWindow(window_, SW_SHOWDEFAULT);
    if (!StartedMinimized()) {
        // The program starts maximized; the pane is placed as the size
        // changes.
        ShowWindow(window_, SW_SHOWMAXIMIZED);
        return;
    }
    // Minimized as asked, and maximized when the user brings it back.
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window_, &placement);
    placement.flags |= WPF_RESTORETOMAXIMIZED;
    placement.showCmd = SW_SHOWMINNOACTIVE;
    SetWindowPlacement(window_, &placement);
}

const RECT* MainWindow::CurrentPaneRect() const {
    if (sizeState_ == Restored) return &restoredRect_;
    if (sizeState_ == Maximized) return &maximizedRect_;
    return nullptr;
}

INT_PTR MainWindow::OnSize(WPARAM wParam, LPARAM) {
    sizeState_ = static_cast<int>(wParam);
    // Taken the first time the window is maximized, which for a window
    // started minimized is when the user brings it back. The restored top
    // and margins stay: the pane only grows.
    if (sizeState_ == Maximized && IsRectEmpty(&maximizedRect_)) maximizedRect_ = PaneRectForClient();
    const RECT* target = CurrentPaneRect();
    if (!target) return FALSE;
    // The hidden log pane is placed again when help closes.
    MovePane(helpPane_ ? helpPane_ : reportPane_ ? reportPane_ : logPane_, *target);
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
    // The close box is Exit, posted once. The dialog's own answer to a
    // close request, a posted Cancel, would be a second Exit: it is not made.
    app_.HandleCloseRequest();
    return TRUE;
}

INT_PTR MainWindow::OnCommand(WPARAM wParam, LPARAM) {
    app_.DispatchCommand(LOWORD(wParam), static_cast<Notification>(HIWORD(wParam)));
    return TRUE;
}

}  // namespace quillfen::win32
