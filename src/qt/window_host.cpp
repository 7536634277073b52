// SPDX-License-Identifier: MIT
// The window as the core's host.
#include "qt/main_window.h"

#include <QAction>
#include <QCoreApplication>
#include <QLineEdit>
#include <cstring>
#include <QStringDecoder>

#include "qt/port_list.h"
#include "qt/text_pane.h"

namespace quillfen::qt {

namespace {

// Message texts carry a path that may be UTF-8; anything else is shown
// byte for byte.
QString MessageText(std::string_view text) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString decoded = utf8(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    if (!utf8.hasError()) return decoded;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon IconFor(BoxIcon icon) {
    switch (icon) {
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Stop: return QMessageBox::Critical;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* owner, std::string_view text, BoxIcon icon,
                                             BoxButtons buttons) {
    const QMessageBox::StandardButtons standard =
        buttons == BoxButtons::RetryCancel ? (QMessageBox::Retry | QMessageBox::Cancel) : QMessageBox::Ok;
    auto box = std::make_unique<QMessageBox>(IconFor(icon),
                                             QString::fromLatin1(ProductName.data(), ProductName.size()),
                                             MessageText(text), standard, owner);
    box->setTextFormat(Qt::PlainText);
    box->setDefaultButton(buttons == BoxButtons::RetryCancel ? QMessageBox::Retry : QMessageBox::Ok);
    return box;
}

BoxAnswer AnswerFor(int standardButton) {
    switch (standardButton) {
    case QMessageBox::Ok: return BoxAnswer::Ok;
    case QMessageBox::Retry: return BoxAnswer::Retry;
    default: return BoxAnswer::Cancel;
    }
}

void MainWindow::PumpEvents() {
    note_.clear();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

BoxAnswer MainWindow::ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) {
    std::string withNote;
    if (!note_.empty()) {
        withNote.assign(text).append("\n").append(note_);
        note_.clear();
        text = withNote;
    }
    auto box = BuildMessageBox(this, text, icon, buttons);
    return AnswerFor(RunModal(*box));
}

void MainWindow::InsertLogText(std::int32_t position, std::string_view text) {
    // The log only ever grows at its end, and the pane holds exactly what it
    // was given; a position past what the pane holds is its end too.
    (void)position;
    if (TextPane* pane = logPane_) pane->Append(text);
}

int MainWindow::PortSelection() { return ports_->currentIndex(); }

std::size_t MainWindow::ReadCommandText(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    // Single bytes, as the modem gets them.
    const QByteArray text = commandEdit_->text().toLatin1();
    std::size_t length = static_cast<std::size_t>(text.size());
    if (length > size - 1) length = size - 1;
    std::memcpy(buffer, text.constData(), length);
    buffer[length] = '\0';
    return length;
}

void MainWindow::EnableControl(std::uint16_t controlId, bool enabled) {
    if (QWidget* control = Control(controlId)) control->setEnabled(enabled);
}

void MainWindow::EnableMenuItem(std::uint16_t commandId, bool enabled) {
    if (QAction* item = MenuItem(commandId)) item->setEnabled(enabled);
}

void MainWindow::FocusControl(std::uint16_t controlId) {
    if (QWidget* control = Control(controlId)) control->setFocus(Qt::OtherFocusReason);
}

void MainWindow::PostCommand(std::uint16_t commandId) {
    QMetaObject::invokeMethod(this, [this, commandId] { DispatchCommand(commandId); },
                              Qt::QueuedConnection);
}

}  // namespace quillfen::qt
