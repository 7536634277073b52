// SPDX-License-Identifier: MIT
#include "serial/device_name.h"

#include <cctype>
#include <charconv>
#include <string_view>

namespace quillfen {

namespace {

struct Scheme {
    std::string_view prefix;
    NetworkProtocol protocol;
};
constexpr Scheme Schemes[] = {
    {"rfc2217://", NetworkProtocol::Rfc2217},
    {"tcp://", NetworkProtocol::RawTcp},
};

constexpr std::size_t HostNameLimit = 253;
constexpr std::size_t ShownNameLimit = 80;

constexpr const char* NetworkForms = "a network port is rfc2217://HOST:PORT or tcp://HOST:PORT";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

bool HostNameCharacter(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '.' || c == '_';
}

bool Ipv6Character(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.' || c == '%' ||
           std::isalnum(static_cast<unsigned char>(c));
}

// HOST:PORT after the scheme; an empty problem when it reads.
std::string ReadHostAndPort(std::string_view rest, NetworkAddress& address) {
    std::string_view host;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return "its IPv6 address has no closing bracket";
        host = rest.substr(1, close - 1);
        if (host.empty()) return "its host is empty";
        for (char c : host)
            if (!Ipv6Character(c)) return "its IPv6 address holds \"" + std::string(1, c) + "\"";
        if (close + 1 >= rest.size() || rest[close + 1] != ':') return "it names no port (HOST:PORT)";
        port = rest.substr(close + 2);
    } else {
        std::size_t colon = rest.rfind(':');
        if (colon == std::string_view::npos) return "it names no port (HOST:PORT)";
        host = rest.substr(0, colon);
        port = rest.substr(colon + 1);
        if (host.find(':') != std::string_view::npos) return "an IPv6 address goes in brackets, as in rfc2217://[::1]:7001";
        if (host.empty()) return "its host is empty";
        if (host.size() > HostNameLimit) return "its host name is longer than 253 characters";
        for (char c : host)
            if (!HostNameCharacter(c)) return "its host name holds \"" + std::string(1, c) + "\"";
    }
    unsigned number = 0;
    auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), number);
    if (port.empty() || ec != std::errc() || end != port.data() + port.size() || number < 1 || number > 65535) {
        return "its port is not a number from 1 to 65535";
    }
    address.host = std::string(host);
    address.port = static_cast<std::uint16_t>(number);
    return {};
}

}  // namespace

std::string NetworkAddress::Shown() const {
    std::string shown = host.find(':') != std::string::npos ? "[" + host + "]" : host;
    return shown + ":" + std::to_string(port);
}

NameForm ReadDeviceName(const std::string& name, NetworkAddress& address, std::string& problem) {
    problem.clear();
    if (name.empty()) {
        problem = "it is empty";
        return NameForm::Unusable;
    }
    if (name.size() > DeviceNameLimit) {
        problem = "it is " + std::to_string(name.size()) + " characters long; at most " +
                  std::to_string(DeviceNameLimit) + " are allowed";
        return NameForm::Unusable;
    }
    for (char c : name) {
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) {
            problem = "it holds a control character";
            return NameForm::Unusable;
        }
    }
    for (const Scheme& scheme : Schemes) {
        if (!StartsWithNoCase(name, scheme.prefix)) continue;
        address = NetworkAddress{};
        address.protocol = scheme.protocol;
        problem = ReadHostAndPort(std::string_view(name).substr(scheme.prefix.size()), address);
        if (!problem.empty()) problem += "; " + std::string(NetworkForms);
        return problem.empty() ? NameForm::Network : NameForm::Unusable;
    }
    if (name.find("://") != std::string::npos) {
        problem = NetworkForms;
        return NameForm::Unusable;
    }
    return NameForm::Local;
}

std::string DeviceNameProblem(const std::string& name) {
    NetworkAddress address;
    std::string problem;
    ReadDeviceName(name, address, problem);
    return problem;
}

std::string ShownName(const std::string& name) {
    std::string shown = name.size() > ShownNameLimit ? name.substr(0, ShownNameLimit) + "..." : name;
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '?';
    return shown;
}

}  // namespace quillfen
