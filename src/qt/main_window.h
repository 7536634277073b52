// SPDX-License-Identifier: MIT
// The main window: one dialog with the port list, the command edit, the
// action buttons, the log pane (and the help pane over it) and the menu.
// It owns the Application and is its host, turns every click, menu choice,
// key and close request into the application's dispatch, and draws what the
// dispatch asks of it. It keeps no rules of its own. Both desktop windows
// are their own host: every host call draws on the window's own controls,
// so a separate host class would only forward each one to the window.
// The Host half lives in window_host.cpp: waits pump Qt's events without
// blocking; message boxes are owned by the window and captioned
// "Quillfen"; log text goes into the log pane. Every modal dialog runs
// through one replaceable runner, so tests answer boxes instead of waiting.
// Ids of controls and menu items are their object names ("1004", "32776").
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QMessageBox>
#include <QRect>
#include <QTimer>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "app/application.h"
#include "app/window_rules.h"
#include "host/host.h"
#include "qt/command_line.h"
#include "qt/dialog_units.h"

class QAction;
class QLineEdit;
class QMenuBar;
class QPushButton;

namespace quillfen::qt {

class AboutBox;
class PortList;
class TextPane;

namespace id = ::quillfen::id;

// Runs a modal dialog and returns its result (for a message box, the
// standard button pressed). The default runs exec().
using ModalRunner = std::function<int(QDialog&)>;

// The message box as the core asks for it: owner, caption, icon, buttons.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* owner, std::string_view text, BoxIcon icon,
                                             BoxButtons buttons);
BoxAnswer AnswerFor(int standardButton);

inline QRect ToQRect(const PaneRect& rect) {
    return QRect(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top);
}

// The size types the window reports.
enum SizeState { Restored = 0, Minimized = 1, Maximized = 2 };

class MainWindow : public QDialog, public Host {
    Q_OBJECT
public:
    MainWindow(PortNames& names, const QByteArray& argumentText, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up, in order: title and fonts, the restored layout, the log
    // pane, TopMost, centred then maximized, the session log (its start-up
    // message first), the port list, and the focus on Fax Test All Modems.
    void Initialise();

    // Every command of the window, by id, through the application's dispatch.
    ActionOutcome DispatchCommand(std::uint16_t commandId, Notification code = Notification::Clicked);

    // Dialogs run through this; tests replace it to answer them.
    void SetModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
    int RunModal(QDialog& dialog);

    // Host: what the dispatch asks of the window.
    void PumpEvents() override;
    BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override;
    void InsertLogText(std::int32_t position, std::string_view text) override;
    // Kept for the message box that follows at once (a refused port's), as
    // one more line; dropped at the next pump when no box follows.
    void ShowNote(std::string_view text) override { note_.assign(text); }
    int PortSelection() override;
    void PromptForPort() override;
    std::size_t ReadCommandText(char* buffer, std::size_t size) override;
    void EnableControl(std::uint16_t controlId, bool enabled) override;
    void EnableMenuItem(std::uint16_t commandId, bool enabled) override;
    void FocusControl(std::uint16_t controlId) override;
    void SetDefaultButton(std::uint16_t controlId) override;
    void ShowAbout() override;
    void OpenHelp() override;
    // The report in a pane of its own at the same place; CloseHelp removes
    // whichever pane covers the log.
    void OpenReport(std::string_view text) override;
    void CloseHelp() override;
    void CopyLog(CopyScope scope) override;
    void CopyReport(CopyScope scope) override;
    void PostCommand(std::uint16_t commandId) override;
    void EndWindow() override;

    Application& App() { return *app_; }
    QWidget* Control(int controlId) const;
    QAction* MenuItem(int commandId) const;
    PortList* Ports() const { return ports_; }
    QLineEdit* CommandEdit() const { return commandEdit_; }
    TextPane* LogPane() const { return logPane_; }
    TextPane* HelpPane() const { return helpPane_; }
    TextPane* ReportPane() const { return reportPane_; }
    AboutBox* About() const { return aboutBox_; }
    QWidget* ClientArea() const { return client_; }

    const char* CommandLineText() const { return commandLineText_; }
    QSize TemplateClientSize() const { return templateClient_; }
    const PaneRect& RestoredRect() const { return restoredRect_; }
    const PaneRect& MaximizedRect() const { return maximizedRect_; }
    const PaneRect& HelpRect() const { return helpRect_; }
    int CurrentSizeState() const { return sizeState_; }
    bool HelpShown() const { return helpPane_ != nullptr || reportPane_ != nullptr; }
    int ExitCommands() const { return app_->ExitCommands(); }
    bool Ended() const { return app_->Ended(); }

signals:
    // The window has closed, the port is closed and the log has ended.
    void SessionEnded();
    // Every command on its way to the dispatch, so a test can see what a
    // control, key or menu item sent.
    void Dispatching(std::uint16_t commandId, Notification code);

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenu(QMenuBar* menuBar);
    void Relayout();
    void CentreByFrame();
    TextPane* CoverLog(std::uint16_t paneId, std::string_view text);
    static void CopyFrom(TextPane* pane, CopyScope scope);
    void HoldRestoredSize();
    // Where the pane belongs for the window's size now; none while minimized.
    PaneRect* CurrentPaneRect();

    std::unique_ptr<Application> app_;
    // What the port list's tooltips name.
    PortNames& names_;
    ModalRunner modalRunner_;
    char commandLineText_[CommandLineTextSize] = {};

    DialogUnits units_;
    QSize templateClient_;
    QSize restoredSize_;
    QTimer sizeHold_;
    PaneLayout layout_;
    PaneRect restoredRect_;
    PaneRect maximizedRect_;
    PaneRect helpRect_;
    int sizeState_ = Maximized;

    QWidget* client_ = nullptr;
    PortList* ports_ = nullptr;
    QLineEdit* commandEdit_ = nullptr;
    TextPane* logPane_ = nullptr;
    TextPane* helpPane_ = nullptr;
    TextPane* reportPane_ = nullptr;
    AboutBox* aboutBox_ = nullptr;

    bool initialised_ = false;
    bool windowEnded_ = false;
    std::string note_;
};

}  // namespace quillfen::qt
