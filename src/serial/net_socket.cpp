// SPDX-License-Identifier: MIT
// What the platforms' sockets share: how a failure becomes a NetError.
#include "serial/net_socket.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace quillfen {

void FillNetError(NetError& error, int number, const char* systemText, std::span<const FailureKind> kinds) {
    error.kind = ConnectFailure::Other;
    for (const FailureKind& row : kinds)
        if (row.number == number) error.kind = row.kind;
    error.code = number;
    if (systemText == nullptr || systemText[0] == '\0') {
        std::snprintf(error.words, sizeof error.words, "error %d", number);
        return;
    }
    std::snprintf(error.words, sizeof error.words, "%s", systemText);
    std::size_t end = std::strlen(error.words);
    while (end > 0 && std::strchr("\r\n. ", error.words[end - 1])) error.words[--end] = '\0';
    for (char& c : error.words)
        if (c != '\0' && static_cast<unsigned char>(c) < 0x20) c = ' ';
    // "Connection refused" reads as a clause; "WSAStartup ..." keeps its capital.
    if (!std::isupper(static_cast<unsigned char>(error.words[1])))
        error.words[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(error.words[0])));
}

}  // namespace quillfen
