// The program's argument text: the arguments after the program's name joined
// by single blanks, cut to 259 characters. The only word it understands is
// "TopMost", exactly so and alone, which keeps the window above others.
#pragma once

#include <QStringList>

namespace quillfen::qt {

inline constexpr int CommandLineTextSize = 260;

// arguments[0] is the program; Qt's own options have already been removed.
QByteArray ArgumentText(const QStringList& arguments);

// True only for a text that is exactly "TopMost".
bool IsTopMostRequest(const char* commandLineText);

}  // namespace quillfen::qt
