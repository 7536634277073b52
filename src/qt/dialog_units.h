// SPDX-License-Identifier: MIT
// Dialog units to pixels, through the metrics of the dialog's font, so the
// window keeps its designed proportions in whatever font the desktop gives.
// A horizontal unit is a quarter of the font's average character width, a
// vertical unit an eighth of its height.
#pragma once

#include <QFont>
#include <QRect>

namespace quillfen::qt {

class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    DialogUnits(int baseWidth, int baseHeight) : baseWidth_(baseWidth), baseHeight_(baseHeight) {}

    int X(int units) const { return units * baseWidth_ / 4; }
    int Y(int units) const { return units * baseHeight_ / 8; }
    QRect Rect(int x, int y, int width, int height) const;

    int BaseWidth() const { return baseWidth_; }
    int BaseHeight() const { return baseHeight_; }

private:
    int baseWidth_ = 6;
    int baseHeight_ = 13;
};

}  // namespace quillfen::qt

class QWidget;

namespace quillfen::qt {

// The program's dialogs are light gray (192, 192, 192) with black text.
void ApplyDialogColours(QWidget& dialog);

}  // namespace quillfen::qt
