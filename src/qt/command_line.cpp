#include "qt/command_line.h"

namespace quillfen::qt {

QByteArray ArgumentText(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' ')).toLocal8Bit();
}

}  // namespace quillfen::qt
