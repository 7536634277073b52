// The main window: one dialog with the port list, the command edit, the
// action buttons, the log pane (and the help pane over it) and the menu.
// It owns the Application and its Qt host and turns every click, menu choice,
// key and close request into one call of the application; while an action
// runs, only Abort Event, Exit, the command edit and the log stay usable.
// Ids of controls and menu items are their object names ("1004", "32776").
#pragma once

#include <QByteArray>
#include <QDialog>
#include <memory>

#include "app/application.h"
#include "qt/command_line.h"
#include "qt/dialog_units.h"
#include "qt/pane_layout.h"
#include "qt/qt_host.h"

class QAction;
class QLineEdit;
class QMenuBar;
class QPushButton;

namespace quillfen::qt {

class AboutBox;
class PortList;
class TextPane;

namespace id {
inline constexpr int PortList = 1001;
inline constexpr int FindAllModems = 1002;
inline constexpr int FaxTestSelectModem = 1003;
inline constexpr int FaxTestAllModems = 1004;
inline constexpr int Send = 1005;
inline constexpr int CommandEdit = 1006;
inline constexpr int AbortEvent = 1007;
inline constexpr int LogPane = 1008;
inline constexpr int HelpPane = 1009;
inline constexpr int CopyAllOfLog = 32771;
inline constexpr int CopySelectedText = 32772;
inline constexpr int About = 32773;
inline constexpr int OpenHelp = 32774;
inline constexpr int CloseHelp = 32775;
inline constexpr int Exit = 32776;
}  // namespace id

inline constexpr int PortCount = 256;

class MainWindow : public QDialog {
    Q_OBJECT
public:
    MainWindow(PortNames& names, const QByteArray& argumentText, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The start-up, in order: title and fonts, the restored layout, the log
    // pane, TopMost, centred then maximized, the session log (its start-up
    // message first), the port list, and the focus on Fax Test All Modems.
    void Initialise();

    // Every command of the window, by id.
    void DispatchCommand(int commandId);

    // Dialogs run through this; tests replace it to answer them.
    void SetModalRunner(ModalRunner runner) { modalRunner_ = std::move(runner); }
    int RunModal(QDialog& dialog);

    // The busy set: the port list, the four action buttons and the copy,
    // About and Open Help items. Disabling moves the focus to the log pane.
    void SetBusySetEnabled(bool enabled);
    // Drops the port list down and gives it the focus; while the list is
    // disabled by a running action, as soon as the action has ended.
    void PromptForPort();

    Application& App() { return *app_; }
    QWidget* Control(int controlId) const;
    QAction* MenuItem(int commandId) const;
    PortList* Ports() const { return ports_; }
    QLineEdit* CommandEdit() const { return commandEdit_; }
    TextPane* LogPane() const { return logPane_; }
    TextPane* HelpPane() const { return helpPane_; }
    AboutBox* About() const { return aboutBox_; }
    QWidget* ClientArea() const { return client_; }

    const char* CommandLineText() const { return commandLineText_; }
    QSize TemplateClientSize() const { return templateClient_; }
    const PaneRect& RestoredRect() const { return restoredRect_; }
    const PaneRect& MaximizedRect() const { return maximizedRect_; }
    const PaneRect& HelpRect() const { return helpRect_; }
    int CurrentSizeState() const { return sizeState_; }
    bool HelpShown() const { return helpShown_; }
    // Exit commands handled, however they were given.
    int ExitCommands() const { return exitCommands_; }
    bool Ended() const { return ended_; }

signals:
    // The window has closed, the port is closed and the log has ended.
    void SessionEnded();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildControls();
    void BuildMenu(QMenuBar* menuBar);
    template <typename Action>
    void RunAction(Action action);
    void Exit();
    void EndSession();
    void Relayout();
    // Where the pane belongs for the window's size now; none while minimized.
    PaneRect* CurrentPaneRect();
    void CopyAllOfLog();
    void CopySelectedText();
    void ShowAbout();
    void OpenHelp();
    void CloseHelp();

    QtHost host_;
    std::unique_ptr<Application> app_;
    ModalRunner modalRunner_;
    char commandLineText_[CommandLineTextSize] = {};

    DialogUnits units_;
    QSize templateClient_;
    PaneLayout layout_;
    PaneRect restoredRect_;
    PaneRect maximizedRect_;
    PaneRect helpRect_;
    int sizeState_ = Maximized;
    bool helpShown_ = false;

    QWidget* client_ = nullptr;
    PortList* ports_ = nullptr;
    QLineEdit* commandEdit_ = nullptr;
    QPushButton* defaultButton_ = nullptr;
    TextPane* logPane_ = nullptr;
    TextPane* helpPane_ = nullptr;
    AboutBox* aboutBox_ = nullptr;

    bool initialised_ = false;
    bool ended_ = false;
    bool exitPosted_ = false;
    bool portPromptPending_ = false;
    int exitCommands_ = 0;
};

}  // namespace quillfen::qt
