// SPDX-License-Identifier: MIT
#include "qt/dialog_units.h"

#include <QFontMetrics>

namespace quillfen::qt {

DialogUnits::DialogUnits(const QFont& font) {
    // The average width over both alphabets, rounded to nearest, as the
    // classic dialog manager measures it.
    const QFontMetrics metrics(font);
    const int alphabet = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    baseWidth_ = qMax(1, (alphabet / 26 + 1) / 2);
    baseHeight_ = qMax(1, metrics.height());
}

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
    // Convert the edges, not the sizes, so neighbouring controls meet as
    // they were designed to.
    const int left = X(x), top = Y(y);
    return QRect(left, top, X(x + width) - left, Y(y + height) - top);
}

}  // namespace quillfen::qt

#include <QPalette>
#include <QWidget>

namespace quillfen::qt {

void ApplyDialogColours(QWidget& dialog) {
    QPalette palette = dialog.palette();
    palette.setColor(QPalette::Window, QColor(192, 192, 192));
    palette.setColor(QPalette::WindowText, Qt::black);
    dialog.setPalette(palette);
}

}  // namespace quillfen::qt
