// SPDX-License-Identifier: MIT
// Rules of the two desktop windows that need no toolkit: where the log pane
// sits, the one argument the programs understand, and how many ports the
// list offers. The Qt and the Win32 window both take them from here, so the
// two cannot drift apart.
#pragma once

#include "serial/port_names.h"

namespace quillfen {

// The port list holds COM1 to COM256, every COM number there is.
inline constexpr int PortCount = static_cast<int>(HighestComNumber);

// True only for an argument text that is exactly "TopMost", which keeps
// the window above others.
bool IsTopMostRequest(const char* commandLineText);

// Left, top, right, bottom in client coordinates; right and bottom exclusive.
struct PaneRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    bool operator==(const PaneRect&) const = default;
};

// The width and height of a window border, by which the client rectangle is
// grown before the pane is placed in it.
struct WindowBorders {
    int x = 1;
    int y = 1;
};

// Where the text pane sits below the block of controls. The pane's top and
// its margins are taken once from the restored window; every other client
// size reuses them, so the pane keeps its top edge and margins and grows to
// fill the rest of a larger (maximized) window.
class PaneLayout {
public:
    explicit PaneLayout(WindowBorders borders = {}) : borders_(borders) {}

    // PaneTop and PaneMargin from the restored client size.
    void MeasureRestored(int clientWidth, int clientHeight);
    // The pane's place in a client area of this size.
    PaneRect RectFor(int clientWidth, int clientHeight) const;

    int PaneTop() const { return paneTop_; }
    int PaneMargin() const { return paneMargin_; }

private:
    PaneRect Inflated(int clientWidth, int clientHeight) const;

    WindowBorders borders_;
    int paneTop_ = 0;
    int paneMargin_ = 0;
};

}  // namespace quillfen
