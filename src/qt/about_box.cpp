// SPDX-License-Identifier: MIT
#include "qt/about_box.h"

#include <QLabel>
#include <QPushButton>

#include "host/host.h"
#include "qt/app_icon.h"
#include "qt/dialog_units.h"

namespace quillfen::qt {

namespace {
QString Latin1(std::string_view text) { return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size())); }

// A line of text at its place, widened when the desktop's font needs more
// room than the design gave it, so that no text is cut.
QLabel* AddText(QWidget* parent, const QString& text, QRect rect) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    rect.setWidth(qMax(rect.width(), label->sizeHint().width()));
    label->setGeometry(rect);
    return label;
}
}  // namespace

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About ") + Latin1(ProductName));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    ApplyDialogColours(*this);
    const DialogUnits du(font());

    AddText(this, QStringLiteral("Product Name: ") + Latin1(ProductName), du.Rect(5, 5, 122, 8));
    version_ = AddText(this, QString(), du.Rect(5, 15, 122, 8));
    version_->setObjectName(QStringLiteral("1000"));
    version_->setProperty("controlId", 1000);
    AddText(this, QStringLiteral("Company Name: Quillfen Project"), du.Rect(5, 25, 122, 8));
    QLabel* rights = AddText(this, QStringLiteral("Copyright (C) Quillfen Project"), du.Rect(5, 35, 162, 8));

    auto* icon = new QLabel(this);
    icon->setPixmap(AppIcon().pixmap(32, 32));
    icon->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    icon->setGeometry(du.X(133), du.Y(8), 32, 32);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName(QStringLiteral("1"));
    ok->setGeometry(du.Rect(67, 53, 32, 14));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    setFixedSize(qMax(du.X(167), rights->geometry().right() + du.X(5)), du.Y(71));
}

void AboutBox::Prepare() {
    version_->setText(QStringLiteral("Product Version: ") + Latin1(ProductVersion));
    findChild<QPushButton*>(QStringLiteral("1"))->setFocus();
}

QString AboutBox::VersionText() const { return version_->text(); }

}  // namespace quillfen::qt
