// SPDX-License-Identifier: MIT
#include "app/window_rules.h"

#include <cstring>

namespace quillfen {

bool IsTopMostRequest(const char* commandLineText) {
    return commandLineText && std::strcmp(commandLineText, "TopMost") == 0;
}

PaneRect PaneLayout::Inflated(int clientWidth, int clientHeight) const {
    return {-borders_.x, -borders_.y, clientWidth + borders_.x, clientHeight + borders_.y};
}

void PaneLayout::MeasureRestored(int clientWidth, int clientHeight) {
    const PaneRect r = Inflated(clientWidth, clientHeight);
    paneTop_ = r.top + r.bottom / 2;
    paneMargin_ = r.right / 56;
}

PaneRect PaneLayout::RectFor(int clientWidth, int clientHeight) const {
    const PaneRect r = Inflated(clientWidth, clientHeight);
    return {r.left + paneMargin_, r.top + paneTop_, r.right - paneMargin_, r.bottom - paneMargin_};
}

}  // namespace quillfen
