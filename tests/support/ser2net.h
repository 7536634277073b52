// SPDX-License-Identifier: MIT
// A real ser2net (Debian's, 4.x) in front of one device, for tests and
// benchmarks: a YAML configuration written to a temporary directory, an
// accepter on a port of 127.0.0.1 that ser2net picks itself (so concurrent
// runs never collide), stopped with the object.
#pragma once

#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "support/fixtures.h"

namespace quillfen::test {

class Ser2net {
public:
    // One connection per device, each on a port of its own (with several,
    // which port leads to which device is ser2net's affair); accepter is the
    // gensio stack in front of the TCP accepter: "telnet(rfc2217)" or "" for
    // raw TCP.
    // options are YAML lines for each connection's options, as
    // "chardelay: false".
    explicit Ser2net(const std::vector<std::string>& devices, const std::string& accepter = "telnet(rfc2217)",
                     const std::vector<std::string>& options = {});
    explicit Ser2net(const std::string& device, const std::string& accepter = "telnet(rfc2217)")
        : Ser2net(std::vector<std::string>{device}, accepter) {}
    ~Ser2net();
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    // Empty when it runs, else why not.
    const std::string& Problem() const { return problem_; }
    // The ports in ascending order.
    unsigned Port(std::size_t index = 0) const { return index < ports_.size() ? ports_[index] : 0; }
    // "rfc2217://127.0.0.1:PORT" (or tcp:// for raw TCP).
    std::string Url(std::size_t index = 0) const;
    // Ends it as a crash would: no goodbye to its clients beyond the kernel's.
    void Kill();

private:
    TempDir dir_;
    std::string scheme_;
    pid_t pid_ = -1;
    std::vector<unsigned> ports_;
    std::string problem_;
};

// A port of 127.0.0.1 that is bound but never listens: a connection to it
// is refused for as long as the object lives.
class RefusingPort {
public:
    RefusingPort();
    ~RefusingPort();
    RefusingPort(const RefusingPort&) = delete;
    RefusingPort& operator=(const RefusingPort&) = delete;
    // "127.0.0.1:PORT"
    std::string HostAndPort() const { return "127.0.0.1:" + std::to_string(port_); }

private:
    int fd_ = -1;
    unsigned port_ = 0;
};

}  // namespace quillfen::test
