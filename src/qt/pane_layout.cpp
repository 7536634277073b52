// SPDX-License-Identifier: MIT
#include "qt/pane_layout.h"

namespace quillfen::qt {

namespace {
struct Inflated {
    int left, top, right, bottom;
};
Inflated InflatedClient(QSize client) {
    return {-WindowBorder, -WindowBorder, client.width() + WindowBorder, client.height() + WindowBorder};
}
}  // namespace

void PaneLayout::MeasureRestored(QSize client) {
    const Inflated r = InflatedClient(client);
    paneTop_ = r.top + r.bottom / 2;
    paneMargin_ = r.right / 56;
}

PaneRect PaneLayout::RectFor(QSize client) const {
    const Inflated r = InflatedClient(client);
    return {r.left + paneMargin_, r.top + paneTop_, r.right - paneMargin_, r.bottom - paneMargin_};
}

}  // namespace quillfen::qt
