// SPDX-License-Identifier: MIT
#include "qt/app_icon.h"

namespace quillfen::qt {

QIcon AppIcon() {
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quillfen-%1.png").arg(size), QSize(size, size));
    return icon;
}

}  // namespace quillfen::qt
