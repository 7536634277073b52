// SPDX-License-Identifier: MIT
// What may stand behind a COM number: a device of this machine (a path, or
// a Windows device name), or a network port, "rfc2217://HOST:PORT" for a
// Telnet COM-port server or "tcp://HOST:PORT" for a plain TCP port. HOST is
// a name, an IPv4 address or an IPv6 address in brackets. Names are checked
// here, where they enter from the user, the environment or the ports file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quillfen {

// Longer device names than this are refused: no system's path limit allows
// them.
inline constexpr std::size_t DeviceNameLimit = 4095;

enum class NetworkProtocol { Rfc2217, RawTcp };

struct NetworkAddress {
    NetworkProtocol protocol = NetworkProtocol::Rfc2217;
    std::string host;  // without the brackets of an IPv6 address
    std::uint16_t port = 0;
    // "fax-ts1:7001", "[::1]:7001": how messages name it.
    std::string Shown() const;
};

enum class NameForm { Local, Network, Unusable };

// Which form a name has. A network name fills address; an unusable one
// (empty, too long, control characters, a malformed or unknown URL) fills
// problem with why, as a clause: "it is 5000 characters long; at most 4095
// are allowed".
NameForm ReadDeviceName(const std::string& name, NetworkAddress& address, std::string& problem);

// Empty when the name can stand behind a COM number, else why not.
std::string DeviceNameProblem(const std::string& name);

// The name as a message may show it: cut to a readable length with "...".
std::string ShownName(const std::string& name);

}  // namespace quillfen
