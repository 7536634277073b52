// The program's argument text: the arguments after the program's name joined
// by single blanks, cut to 259 characters; IsTopMostRequest (app/window_rules.h)
// judges it.
#pragma once

#include <QStringList>

namespace quillfen::qt {

inline constexpr int CommandLineTextSize = 260;

// arguments[0] is the program; Qt's own options have already been removed.
QByteArray ArgumentText(const QStringList& arguments);

}  // namespace quillfen::qt
