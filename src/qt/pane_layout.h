// SPDX-License-Identifier: MIT
// Where the text pane sits below the block of controls. The pane's top and
// its margins are taken once from the restored window; every other client
// size reuses them, so the pane keeps its top edge and margins and grows to
// fill the rest of a larger (maximized) window.
#pragma once

#include <QRect>
#include <QSize>

namespace quillfen::qt {

// Left, top, right, bottom in client coordinates; right and bottom exclusive.
struct PaneRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    QRect ToQRect() const { return QRect(left, top, right - left, bottom - top); }
    bool operator==(const PaneRect&) const = default;
};

// The size types the window reports.
enum SizeState { Restored = 0, Minimized = 1, Maximized = 2 };

// Width of a window border, by which the client rectangle is grown.
inline constexpr int WindowBorder = 1;

class PaneLayout {
public:
    // PaneTop and PaneMargin from the restored client size.
    void MeasureRestored(QSize client);
    // The pane's place in a client area of this size.
    PaneRect RectFor(QSize client) const;

    int PaneTop() const { return paneTop_; }
    int PaneMargin() const { return paneMargin_; }

private:
    int paneTop_ = 0;
    int paneMargin_ = 0;
};

}  // namespace quillfen::qt
