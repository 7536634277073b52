// SPDX-License-Identifier: MIT
#include "qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QFontDatabase>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTextCursor>
#include <QThread>
#include <QVBoxLayout>
#include <QWindow>

#include "qt/about_box.h"
#include "qt/app_icon.h"
#include "app/help_text.h"
#include "qt/port_list.h"
#include "qt/text_pane.h"

namespace quillfen::qt {

namespace {

QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

void Identify(QObject* object, int controlId) {
    object->setObjectName(QString::number(controlId));
    object->setProperty("controlId", controlId);
}

// How long start-up waits for the window manager to frame the window, in ms.
constexpr int FrameWaitLimit = 500;
constexpr int FrameWaitSlice = 5;
// How long a restored window may stay at another size (a drag on its edge,
// a window manager's own idea) before it takes its own size again, in ms.
constexpr int SizeHoldDelay = 250;

// Size of the dialog's client area, below the menu bar, in dialog units.
constexpr int TemplateWidth = 281;
constexpr int TemplateHeight = 114;

// The action buttons, in the order they sit on the dialog.
struct ButtonRow {
    std::uint16_t controlId;
    const char* text;
    int x, y, width, height;
    bool tabStop;
};
constexpr ButtonRow ActionButtons[] = {
    {id::FaxTestSelectModem, "Fax T&est\nSelect Modem", 5, 32, 58, 22, true},
    {id::FaxTestAllModems, "&Fax Test\nAll Modems", 65, 32, 58, 22, false},
    {id::FindAllModems, "Find\nAll M&odems", 125, 32, 58, 22, false},
    {id::AbortEvent, "&Abort\nEvent", 217, 32, 58, 22, false},
};

struct MenuRow {
    std::uint16_t commandId;
    const char* text;
};
constexpr MenuRow EditMenu[] = {
    {id::CopyAllOfLog, "Copy &All of Log"},
    {id::CopySelectedText, "Copy &Selected Text in Log"},
};

// Runs events until the condition holds or the limit (ms) has passed.
template <typename Condition>
void PumpUntil(Condition condition, int limit) {
    QElapsedTimer waited;
    waited.start();
    while (!condition() && waited.elapsed() < limit) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, FrameWaitSlice);
        QThread::msleep(FrameWaitSlice);
    }
}

bool DrawsFrames() {
    const QString platform = QGuiApplication::platformName();
    return platform != QLatin1String("offscreen") && platform != QLatin1String("minimal");
}

}  // namespace

MainWindow::MainWindow(PortNames& names, const QByteArray& argumentText, QWidget* parent)
    : QDialog(parent),
      app_(std::make_unique<Application>(*this, names)),
      names_(names),
      units_(font()) {
    CopyBounded(commandLineText_, argumentText.constData(), sizeof commandLineText_);

    // A top-level window of its own with minimize and maximize, not a
    // transient dialog box.
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    ApplyDialogColours(*this);

    auto* frame = new QVBoxLayout(this);
    frame->setContentsMargins(0, 0, 0, 0);
    frame->setSpacing(0);
    auto* menuBar = new QMenuBar(this);
    frame->setMenuBar(menuBar);
    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->installEventFilter(this);
    frame->addWidget(client_);

    BuildMenu(menuBar);
    BuildControls();
    aboutBox_ = new AboutBox(this);
    templateClient_ = QSize(units_.X(TemplateWidth), units_.Y(TemplateHeight));

    sizeHold_.setSingleShot(true);
    sizeHold_.setInterval(SizeHoldDelay);
    connect(&sizeHold_, &QTimer::timeout, this, [this] { HoldRestoredSize(); });
}

MainWindow::~MainWindow() {
    // Closing without the dialog's end still closes the port and ends the log.
    if (app_) app_->Shutdown();
}

void MainWindow::BuildMenu(QMenuBar* menuBar) {
    auto addItem = [this](QMenu* menu, std::uint16_t commandId, const char* text) {
        QAction* action = menu->addAction(QString::fromLatin1(text));
        Identify(action, commandId);
        connect(action, &QAction::triggered, this, [this, commandId] { DispatchCommand(commandId); });
        return action;
    };
    QMenu* edit = menuBar->addMenu(QStringLiteral("&Edit"));
    for (const MenuRow& row : EditMenu) addItem(edit, row.commandId, row.text);
    QMenu* help = menuBar->addMenu(QStringLiteral("&Help"));
    addItem(help, id::About, "&About");
    help->addSeparator();
    addItem(help, id::OpenHelp, "&Open Help");
    addItem(help, id::CloseHelp, "&Close Help");

    // The report of this session's log, an item of the bar beside Help.
    QAction* report = menuBar->addAction(QStringLiteral("&Report"));
    Identify(report, id::Report);
    connect(report, &QAction::triggered, this, [this] { DispatchCommand(id::Report); });

    // Exit is an item of the bar itself, always enabled.
    QAction* exit = menuBar->addAction(QStringLiteral("E&xit"));
    Identify(exit, id::Exit);
    connect(exit, &QAction::triggered, this, [this] { DispatchCommand(id::Exit); });
}

void MainWindow::BuildControls() {
    const DialogUnits& du = units_;
    // Controls inside a group box are its children, so the box's mnemonic
    // reaches them; their places are still the dialog's.
    auto placeIn = [&du](QWidget* child, QWidget* box, int x, int y, int width, int height) {
        child->setGeometry(du.Rect(x, y, width, height).translated(-box->pos()));
    };

    auto* modemBox = new QGroupBox(QStringLiteral("Select &Modem"), client_);
    modemBox->setGeometry(du.Rect(5, 1, 57, 27));
    ports_ = new PortList(id::PortList, modemBox);
    placeIn(ports_, modemBox, 9, 11, 49, 12);
    ports_->setFocusPolicy(Qt::StrongFocus);
    connect(ports_, &QComboBox::currentIndexChanged, this,
            [this] { DispatchCommand(id::PortList, Notification::SelectionChange); });
    connect(ports_, &PortList::DroppedDown, this, [this] { DispatchCommand(id::PortList, Notification::DropDown); });
    connect(ports_, &PortList::LostFocus, this, [this] { DispatchCommand(id::PortList, Notification::KillFocus); });

    auto* commandBox = new QGroupBox(QStringLiteral("&Type in and Send Command to Modem "), client_);
    commandBox->setGeometry(du.Rect(61, 1, 213, 27));
    commandEdit_ = new QLineEdit(commandBox);
    Identify(commandEdit_, id::CommandEdit);
    placeIn(commandEdit_, commandBox, 65, 11, 176, 12);
    auto* send = new QPushButton(QStringLiteral("&Send"), commandBox);
    Identify(send, id::Send);
    placeIn(send, commandBox, 244, 10, 26, 14);
    // Enter presses the push button that has the focus; with the focus on no
    // push button it presses the default one, as in any dialog, and the
    // dispatch makes Send the default while the command edit has the focus.
    send->setAutoDefault(true);
    send->setFocusPolicy(Qt::StrongFocus);
    connect(send, &QPushButton::clicked, this, [this] { DispatchCommand(id::Send); });

    QPushButton* firstButton = nullptr;
    for (const ButtonRow& row : ActionButtons) {
        auto* button = new QPushButton(QString::fromLatin1(row.text), client_);
        Identify(button, row.controlId);
        button->setGeometry(du.Rect(row.x, row.y, row.width, row.height));
        button->setAutoDefault(true);
        button->setFocusPolicy(row.tabStop ? Qt::StrongFocus : Qt::ClickFocus);
        const std::uint16_t commandId = row.controlId;
        connect(button, &QPushButton::clicked, this, [this, commandId] { DispatchCommand(commandId); });
        if (!firstButton) firstButton = button;
    }
    SetDefaultButton(id::DefaultButton);
    commandEdit_->installEventFilter(this);

    auto* icon = new QLabel(client_);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    icon->setGeometry(du.Rect(190, 31, 20, 20));

    setTabOrder(ports_, commandEdit_);
    setTabOrder(commandEdit_, send);
    setTabOrder(send, firstButton);
}

void MainWindow::Initialise() {
    setWindowIcon(AppIcon());
    setWindowTitle(Latin1(ProductName) + QLatin1Char(' ') + Latin1(ProductVersion));

    const QFont fixedFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    ports_->setFont(fixedFont);
    commandEdit_->setFont(fixedFont);
    MenuItem(id::CloseHelp)->setEnabled(false);

    // The restored layout: the template's size, and the pane's top and
    // margins taken from it for good.
    restoredSize_ = QSize(templateClient_.width(), templateClient_.height() + layout()->menuBar()->sizeHint().height());
    // Never smaller than the template, so no control can be cut off.
    setMinimumSize(restoredSize_);
    resize(restoredSize_);
    layout_.MeasureRestored(templateClient_.width(), templateClient_.height());
    restoredRect_ = layout_.RectFor(templateClient_.width(), templateClient_.height());

    logPane_ = new TextPane(id::LogPane, client_);
    logPane_->setGeometry(ToQRect(maximizedRect_));
    setTabOrder(Control(id::FaxTestSelectModem), logPane_);

    setWindowFlag(Qt::WindowStaysOnTopHint, IsTopMostRequest(commandLineText_));

    initialised_ = true;
    CentreByFrame();
    showMaximized();
    Relayout();

    app_->Start();

    ports_->FillPorts(PortCount);
    QStringList devices;
    devices.reserve(PortCount);
    for (int com = 1; com <= PortCount; ++com) {
        devices << QString::fromLocal8Bit(names_.Describe(static_cast<unsigned>(com)));
    }
    ports_->DescribePorts(devices);
    Control(id::DefaultButton)->setFocus(Qt::OtherFocusReason);
}

QWidget* MainWindow::Control(int controlId) const {
    return client_->findChild<QWidget*>(QString::number(controlId));
}

QAction* MainWindow::MenuItem(int commandId) const { return findChild<QAction*>(QString::number(commandId)); }

int MainWindow::RunModal(QDialog& dialog) {
    if (modalRunner_) return modalRunner_(dialog);
    return dialog.exec();
}

ActionOutcome MainWindow::DispatchCommand(std::uint16_t commandId, Notification code) {
    emit Dispatching(commandId, code);
    return app_->DispatchCommand(commandId, code);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The window closes only when the dispatch has ended the session.
    if (windowEnded_) {
        event->accept();
        return;
    }
    event->ignore();
    app_->HandleCloseRequest();
}

void MainWindow::reject() {
    // Escape: the standard Cancel command.
    DispatchCommand(id::Cancel);
}

void MainWindow::EndWindow() {
    if (windowEnded_) return;
    windowEnded_ = true;
    done(QDialog::Accepted);
    emit SessionEnded();
}

void MainWindow::SetDefaultButton(std::uint16_t controlId) {
    // As the dialog's own default: a push button given the focus is the
    // default only while it has it, and this one is again afterwards.
    if (auto* button = qobject_cast<QPushButton*>(Control(controlId))) button->setDefault(true);
}

void MainWindow::PromptForPort() {
    ports_->setFocus(Qt::OtherFocusReason);
    ports_->showPopup();
}

void MainWindow::CentreByFrame() {
    // Restoring the window brings it back to the middle of the screen, frame
    // and all. The frame is known only once a window manager has framed the
    // window, so it is shown restored first, briefly.
    QScreen* screen = this->screen();
    if (!screen) return;
    show();
    QWindow* window = windowHandle();
    if (!window) return;
    PumpUntil([window] { return window->isExposed(); }, FrameWaitLimit);
    // Platforms that draw no frames never report any; a window manager may
    // report its frame a moment after the window first shows.
    if (DrawsFrames()) PumpUntil([window] { return !window->frameMargins().isNull(); }, FrameWaitLimit);
    // Through the platform window, whose margins are current; the widget's
    // own idea of its frame may still lag behind.
    QRect frame(QPoint(), size().grownBy(window->frameMargins()));
    frame.moveCenter(screen->availableGeometry().center());
    window->setFramePosition(frame.topLeft());
}

void MainWindow::HoldRestoredSize() {
    // The window has no sizing border: restored, it has the template's size.
    // A window manager cannot be told "no sizing border, but maximizable",
    // so a restored window that was dragged larger returns to its size once
    // the drag is over.
    if (!initialised_ || windowState() != Qt::WindowNoState || size() == restoredSize_) return;
    resize(restoredSize_);
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    if (initialised_ && windowState() == Qt::WindowNoState && size() != restoredSize_) sizeHold_.start();
}

void MainWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange) return;
    if (windowState() == Qt::WindowNoState) sizeHold_.start();
    Relayout();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == client_ && event->type() == QEvent::Resize) Relayout();
    if (watched == commandEdit_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        DispatchCommand(id::CommandEdit,
                        event->type() == QEvent::FocusIn ? Notification::EditSetFocus : Notification::EditKillFocus);
    }
    return QDialog::eventFilter(watched, event);
}

void MainWindow::Relayout() {
    if (!initialised_) return;
    if (isMinimized()) {
        sizeState_ = Minimized;
        return;
    }
    sizeState_ = isMaximized() ? Maximized : Restored;
    // Both rectangles follow the client size the platform actually gives,
    // so a window manager that sizes the window its own way still gets a
    // pane that fits.
    PaneRect& rect = *CurrentPaneRect();
    rect = layout_.RectFor(client_->width(), client_->height());
    TextPane* pane = helpPane_ ? helpPane_ : reportPane_ ? reportPane_ : logPane_;
    if (pane) pane->setGeometry(ToQRect(rect));
}

PaneRect* MainWindow::CurrentPaneRect() {
    if (sizeState_ == Restored) return &restoredRect_;
    if (sizeState_ == Maximized) return &maximizedRect_;
    return nullptr;
}

void MainWindow::CopyFrom(TextPane* pane, CopyScope scope) {
    if (!pane) return;
    if (scope == CopyScope::AllOfLog) {
        // The whole text, however long: a log's end holds the class results.
        QTextCursor all(pane->document());
        all.select(QTextCursor::Document);
        pane->setTextCursor(all);
    }
    pane->copy();
}

void MainWindow::CopyLog(CopyScope scope) { CopyFrom(logPane_, scope); }

void MainWindow::CopyReport(CopyScope scope) { CopyFrom(reportPane_, scope); }

void MainWindow::ShowAbout() {
    aboutBox_->Prepare();
    RunModal(*aboutBox_);
}

TextPane* MainWindow::CoverLog(std::uint16_t paneId, std::string_view text) {
    logPane_->hide();
    if (const PaneRect* current = CurrentPaneRect()) helpRect_ = *current;

    auto* pane = new TextPane(paneId, client_);
    pane->setGeometry(ToQRect(helpRect_));
    pane->Append(text);
    pane->moveCursor(QTextCursor::Start);
    pane->show();
    pane->setFocus(Qt::OtherFocusReason);
    return pane;
}

void MainWindow::OpenHelp() { helpPane_ = CoverLog(id::HelpPane, HelpPaneText); }

void MainWindow::OpenReport(std::string_view text) { reportPane_ = CoverLog(id::ReportPane, text); }

void MainWindow::CloseHelp() {
    delete helpPane_;
    helpPane_ = nullptr;
    delete reportPane_;
    reportPane_ = nullptr;
    logPane_->show();
    if (const PaneRect* current = CurrentPaneRect()) logPane_->setGeometry(ToQRect(*current));
    logPane_->setFocus(Qt::OtherFocusReason);
}

}  // namespace quillfen::qt
