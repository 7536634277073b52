// SPDX-License-Identifier: MIT
// The program's argument text: the arguments after the program's name joined
// by single blanks, cut to 259 characters; IsTopMostRequest (app/window_rules.h)
// judges it. --help or --version alone is answered on standard output before
// any window or display is needed.
#pragma once

#include <QStringList>
#include <string_view>

namespace quillfen::qt {

inline constexpr int CommandLineTextSize = 260;

// arguments[0] is the program; Qt's own options have already been removed.
QByteArray ArgumentText(const QStringList& arguments);

enum class InfoRequest { None, Help, Version };
InfoRequest InfoRequestOf(int argc, const char* const* argv);
// The text that answers a request other than None, ending in a line end.
QByteArray InfoText(InfoRequest request);

}  // namespace quillfen::qt
