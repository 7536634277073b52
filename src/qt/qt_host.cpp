#include "qt/qt_host.h"

#include <QCoreApplication>
#include <QLineEdit>
#include <QStringDecoder>

#include "qt/main_window.h"
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

void QtHost::PumpEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

BoxAnswer QtHost::ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) {
    auto box = BuildMessageBox(&window_, text, icon, buttons);
    return AnswerFor(window_.RunModal(*box));
}

void QtHost::InsertLogText(std::int32_t position, std::string_view text) {
    // The log only ever grows at its end, and the pane holds exactly what it
    // was given; a position past what the pane holds is its end too.
    (void)position;
    if (TextPane* pane = window_.LogPane()) pane->Append(text);
}

int QtHost::PortSelection() { return window_.Ports()->currentIndex(); }

void QtHost::PromptForPort() { window_.PromptForPort(); }

void QtHost::FocusCommandEdit() { window_.CommandEdit()->setFocus(Qt::OtherFocusReason); }

void QtHost::SetControlsEnabled(bool enabled) { window_.SetBusySetEnabled(enabled); }

}  // namespace quillfen::qt
