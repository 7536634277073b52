// SPDX-License-Identifier: MIT
// The main window: dialog template 201 run as the program's one modal
// dialog, with the log pane in place of the template's edit 1008 and the
// help pane over it while help is shown. It is also the core's host, as the
// Qt window is: every host call draws on the window's own controls, so a
// separate host class would only forward each one to the window. Waits
// pump the thread's messages through the dialog manager, so Tab, mnemonics
// and Enter work during an action, and Abort Event and Exit reach the
// dispatch from inside a wait. Every command and the close request go to the
// shared dispatch; the window only translates and draws.
#pragma once

#include <windows.h>

#include <string>

#include "app/application.h"
#include "app/window_rules.h"
#include "host/host.h"
#include "serial/port_names.h"

namespace quillfen::win32 {

inline constexpr std::size_t CommandLineTextSize = 260;

// SizeState values: the size types of WM_SIZE.
enum SizeState { Restored = SIZE_RESTORED, Minimized = SIZE_MINIMIZED, Maximized = SIZE_MAXIMIZED };

class MainWindow final : public Host {
public:
    MainWindow(HINSTANCE instance, const char* argumentText);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Runs the dialog until the session has ended.
    void Run();

    // Host
    void PumpEvents() override;
    BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override;
    void InsertLogText(std::int32_t position, std::string_view text) override;
    int PortSelection() override;
    void PromptForPort() override;
    std::size_t ReadCommandText(char* buffer, std::size_t size) override;
    void EnableControl(std::uint16_t controlId, bool enabled) override;
    void EnableMenuItem(std::uint16_t commandId, bool enabled) override;
    void FocusControl(std::uint16_t controlId) override;
    void SetDefaultButton(std::uint16_t controlId) override;
    void ShowAbout() override;
    void OpenHelp() override;
    void CloseHelp() override;
    void OpenReport(std::string_view text) override;
    void CopyLog(CopyScope scope) override;
    void CopyReport(CopyScope scope) override;
    void PostCommand(std::uint16_t commandId) override;
    void EndWindow() override;

private:
    void Deliver(MSG& message);
    bool PressFocusedButton();
    bool EscapeInPane();
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    // The message table's handlers. The result is the dialog procedure's:
    // FALSE leaves the message to the default handling.
    INT_PTR OnInitDialog(WPARAM, LPARAM);
    INT_PTR OnCommand(WPARAM, LPARAM);
    INT_PTR OnClose(WPARAM, LPARAM);
    INT_PTR OnSize(WPARAM, LPARAM);
    INT_PTR OnPaint(WPARAM, LPARAM);
    INT_PTR OnQueryDragIcon(WPARAM, LPARAM);
    INT_PTR OnDestroy(WPARAM, LPARAM);
    INT_PTR OnNotify(WPARAM, LPARAM);
    struct MessageRow {
        UINT message;
        INT_PTR (MainWindow::*handler)(WPARAM, LPARAM);
    };
    static const MessageRow MessageTable[];

    void RestoredLayout();
    void ShowAtStart();
    // The pane's place in the client area as it is now.
    RECT PaneRectForClient() const;
    // The pane's place for the window's size now; nullptr while minimized.
    const RECT* CurrentPaneRect() const;

    void FillPortList();
    // The port list's tip: which device or address stands behind the
    // chosen COM number, asked for each time it shows.
    void AddPortTip();
    // A pane of its own over the log pane, at the log pane's place.
    HWND CoverLog(int paneId, const char* text);

    HINSTANCE instance_;
    char commandLineText_[CommandLineTextSize] = {};
    PortNames names_;
    Application app_;

    HWND window_ = nullptr;
    HWND logPane_ = nullptr;
    HWND helpPane_ = nullptr;
    HWND reportPane_ = nullptr;
    HICON bigIcon_ = nullptr;
    HICON smallIcon_ = nullptr;
    HFONT fixedFont_ = nullptr;

    RECT restoredRect_{};
    RECT maximizedRect_{};
    RECT helpRect_{};
    PaneLayout layout_;
    int sizeState_ = Maximized;

    bool ended_ = false;
    std::string boxText_;  // message texts, NUL-terminated for the API
    std::string paneText_;
    HWND portTip_ = nullptr;
    std::string tipText_;     // the tip's text while it shows
    std::wstring tipWide_;
};

}  // namespace quillfen::win32
