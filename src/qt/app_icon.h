// SPDX-License-Identifier: MIT
// The application icon, drawn for Quillfen at 16 to 256 pixels and built
// into the program as a resource.
#pragma once

#include <QIcon>

namespace quillfen::qt {

QIcon AppIcon();

}  // namespace quillfen::qt
