// SPDX-License-Identifier: MIT
#include "window_harness.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "qt/text_pane.h"

namespace quillfen::qt::test {

WindowHarness::WindowHarness(const QByteArray& argumentText) : chdir_(dir.Path()) {
    window_ = std::make_unique<MainWindow>(names, argumentText);
    window_->SetModalRunner([this](QDialog& dialog) {
        if (onModal) onModal(dialog);
        auto* box = qobject_cast<QMessageBox*>(&dialog);
        if (!box) return int(QDialog::Accepted);
        boxes.push_back({box->windowTitle(), box->text(), box->icon(), box->standardButtons(),
                         box->parentWidget()});
        if (!answers.empty()) {
            QMessageBox::StandardButton answer = answers.front();
            answers.pop_front();
            return int(answer);
        }
        return int(box->standardButtons() & QMessageBox::Ok ? QMessageBox::Ok : QMessageBox::Cancel);
    });
}

void WindowHarness::Start() {
    window_->Initialise();
    window_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(window_.get()));
}

std::string WindowHarness::LogFile() const { return quillfen::test::ReadFile(dir.File("Modem001.txt")); }

QString WindowHarness::Pane() const { return window_->LogPane()->toPlainText(); }

void RunWhen(QObject* context, std::function<bool()> condition, std::function<void()> action) {
    auto* timer = new QTimer(context);
    timer->setInterval(2);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, condition, action] {
        if (!condition()) return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

QString AsPaneText(const std::string& fileText) {
    QString text = QString::fromLatin1(fileText.data(), static_cast<qsizetype>(fileText.size()));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

}  // namespace quillfen::qt::test
