#include "qt/command_line.h"

#include <cstring>

namespace quillfen::qt {

QByteArray ArgumentText(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' ')).toLocal8Bit();
}

bool IsTopMostRequest(const char* commandLineText) {
    return commandLineText && std::strcmp(commandLineText, "TopMost") == 0;
}

}  // namespace quillfen::qt
