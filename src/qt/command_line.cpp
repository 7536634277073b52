// SPDX-License-Identifier: MIT
#include "qt/command_line.h"

#include <cstring>

#include "host/host.h"

namespace quillfen::qt {
namespace {

constexpr std::string_view Help =
    "Usage: quillfen [TopMost]\n"
    "\n"
    "Examines the modem on a serial port with Hayes AT commands, in a window.\n"
    "Everything the session logs is shown in the window and written to a new\n"
    "ModemNNN.txt in the current directory.\n"
    "\n"
    "  TopMost      keep the window above all others\n"
    "  --help       show this text\n"
    "  --version    show the version\n"
    "\n"
    "Environment:\n"
    "  QUILLFEN_COMn=DEVICE   open DEVICE for COMn (n from 1 to 256)\n";

}  // namespace

QByteArray ArgumentText(const QStringList& arguments) {
    return arguments.mid(1).join(QLatin1Char(' ')).toLocal8Bit();
}

InfoRequest InfoRequestOf(int argc, const char* const* argv) {
    if (argc != 2) return InfoRequest::None;
    if (std::strcmp(argv[1], "--help") == 0) return InfoRequest::Help;
    if (std::strcmp(argv[1], "--version") == 0) return InfoRequest::Version;
    return InfoRequest::None;
}

QByteArray InfoText(InfoRequest request) {
    if (request == InfoRequest::Help) return QByteArray(Help.data(), static_cast<qsizetype>(Help.size()));
    QByteArray text = "quillfen ";
    text.append(PackageVersion.data(), static_cast<qsizetype>(PackageVersion.size()));
    text.append(" (").append(ProductName.data(), static_cast<qsizetype>(ProductName.size())).append(' ');
    text.append(ProductVersion.data(), static_cast<qsizetype>(ProductVersion.size())).append(")\n");
    return text;
}

}  // namespace quillfen::qt
