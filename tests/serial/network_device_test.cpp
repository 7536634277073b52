// SPDX-License-Identifier: MIT
// Network ports: through a real ser2net in front of a pty the test plays the
// modem on, and against small servers of the test's own that misbehave.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "serial/network_device.h"
#include "serial/pty_pair.h"
#include "serial/serial_port.h"
#include "support/scripted_host.h"
#include "support/ser2net.h"

namespace quillfen {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::PtyPair;
using test::Ser2net;

// A listening socket on a free port of 127.0.0.1 that takes its clients one
// after the other and runs the server's part on each, in a thread of its
// own, until the test ends.
class FakeServer {
public:
    using Part = std::function<void(int client, const std::atomic<bool>& stop)>;

    explicit FakeServer(Part part) {
        listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 || listen(listener_, 4) != 0) return;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this, part] {
            while (!stop_) {
                pollfd watch{listener_, POLLIN, 0};
                if (poll(&watch, 1, 50) <= 0) continue;
                int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
                if (client < 0) return;
                part(client, stop_);
                close(client);
            }
        });
    }
    ~FakeServer() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
        close(listener_);
    }
    std::string Url(const char* scheme = "rfc2217") const {
        return std::string(scheme) + "://127.0.0.1:" + std::to_string(port_);
    }

private:
    int listener_ = -1;
    unsigned port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Everything the client sends until it leaves or the test ends.
void Collect(int client, const std::atomic<bool>& stop, std::string& into) {
    char chunk[512];
    while (!stop) {
        pollfd watch{client, POLLIN, 0};
        if (poll(&watch, 1, 20) <= 0) continue;
        ssize_t got = read(client, chunk, sizeof chunk);
        if (got <= 0) break;
        into.append(chunk, static_cast<std::size_t>(got));
    }
}

std::string ReadFor(SerialDevice& device, std::size_t want, int limitMs = 5000) {
    std::string got;
    auto deadline = Clock::now() + milliseconds(limitMs);
    while (got.size() < want && Clock::now() < deadline) {
        std::uint8_t chunk[300];
        std::size_t n = device.Read(chunk, sizeof chunk, 200);
        got.append(reinterpret_cast<const char*>(chunk), n);
    }
    return got;
}

std::string EveryByteTwice() {
    std::string bytes;
    for (int round = 0; round < 2; ++round)
        for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<char>(b));
    return bytes + "\xff\xff\r\n\r";
}

TEST(NetworkDevice, ThroughSer2netEveryByteArrivesIntactBothWays) {
    for (const char* accepter : {"telnet(rfc2217)", ""}) {
        SCOPED_TRACE(*accepter ? accepter : "raw TCP");
        PtyPair pty;
        ASSERT_TRUE(pty.Ok());
        Ser2net server(pty.Slave(), accepter);
        ASSERT_EQ(server.Problem(), "");
        std::unique_ptr<SerialDevice> device = MakeDevice(server.Url());
        OpenError error;
        ASSERT_TRUE(device->Open(server.Url(), error, DeviceRoots{})) << error.detail;
        EXPECT_STREQ(device->OpenRemark(), "") << "ser2net takes the COM-port option";
        ASSERT_EQ(device->Configure(2400), 0);
        device->Control(LineControl::SetDtr);
        pty.Drain(100);

        const std::string bytes = EveryByteTwice();
        pty.Send(bytes);
        ASSERT_TRUE(test::Eventually([&] { return device->QueryStatus().inQueue >= bytes.size(); }));
        EXPECT_EQ(device->QueryStatus().inQueue, bytes.size()) << "the count is of the modem's bytes only";
        EXPECT_EQ(ReadFor(*device, bytes.size()), bytes);

        EXPECT_EQ(device->StartWrite(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  bytes.size());
        std::string atModem;
        test::Eventually([&] {
            atModem += pty.Drain(50);
            return atModem.size() >= bytes.size();
        });
        EXPECT_EQ(atModem, bytes);
        EXPECT_TRUE(test::Eventually([&] { return device->QueryStatus().outQueue == 0; }));
        EXPECT_FALSE(device->HungUp());

        // The server goes away: the port has hung up, and nothing waits on it.
        server.Kill();
        std::uint8_t chunk[16];
        EXPECT_EQ(device->Read(chunk, sizeof chunk, 2000), 0u);
        EXPECT_TRUE(device->HungUp());
        EXPECT_EQ(device->QueryStatus().outQueue, 0u);
        device->Close();
        EXPECT_FALSE(device->IsOpen());
    }
}

TEST(NetworkDevice, FailuresFallIntoTheirRowsAndNameWhatWasTried) {
    struct Case {
        std::string name;
        OpenErrorRow row;
        std::string detail;
    };
    test::RefusingPort refusing;
    const std::string closedPort = refusing.HostAndPort();
    const std::vector<Case> cases = {
        {"rfc2217://" + closedPort, OpenErrorRow::CannotFind, "cannot reach " + closedPort + ": connection refused"},
        {"tcp://no-such-host.invalid:7001", OpenErrorRow::CannotFind, "cannot reach no-such-host.invalid:7001: "},
        {"rfc2217://fax-ts1", OpenErrorRow::CannotFind, "\"rfc2217://fax-ts1\" names no port: it names no port"},
        {"rfc2217://::1:7001", OpenErrorRow::CannotFind, "an IPv6 address goes in brackets"},
        {"telnet://fax-ts1:23", OpenErrorRow::CannotFind, "a network port is rfc2217://HOST:PORT or tcp://HOST:PORT"},
        {std::string(5000, 'x'), OpenErrorRow::CannotFind, "it is 5000 characters long; at most 4095"},
    };
    for (const Case& c : cases) {
        std::unique_ptr<SerialDevice> device = MakeDevice(c.name);
        OpenError error;
        EXPECT_FALSE(device->Open(c.name, error, DeviceRoots{})) << c.name;
        EXPECT_EQ(error.row, c.row) << c.name;
        EXPECT_NE(std::string(error.detail).find(c.detail), std::string::npos) << error.detail;
        EXPECT_LE(std::strlen(error.detail), 200u) << "a long name is cut in the message";
        EXPECT_FALSE(device->IsOpen());
    }

    // A server that never completes the connection is not ready, after the
    // connection limit. Its backlog is filled first, so the kernel drops
    // further attempts unanswered.
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 0), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    std::vector<int> fillers;
    for (int i = 0; i < 3; ++i) {
        int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        connect(filler, reinterpret_cast<sockaddr*>(&address), size);
        fillers.push_back(filler);
    }
    const std::string full = "tcp://127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    NetworkDevice device;
    OpenError error;
    auto started = Clock::now();
    EXPECT_FALSE(device.Open(full, error, DeviceRoots{}));
    EXPECT_EQ(error.row, OpenErrorRow::NotReady) << error.detail;
    EXPECT_GE(Clock::now() - started, milliseconds(ConnectLimit - 100));
    for (int filler : fillers) close(filler);
    close(listener);
}

TEST(NetworkDevice, MisbehavingServersAreBoundedAndTheUserToldOnce) {
    // Never answers the negotiation: given up on after the limit, then
    // used as a plain Telnet port.
    std::string heard;
    {
        FakeServer silent([&heard](int client, const std::atomic<bool>& stop) { Collect(client, stop, heard); });
        NetworkDevice device;
        OpenError error;
        auto started = Clock::now();
        ASSERT_TRUE(device.Open(silent.Url(), error, DeviceRoots{})) << error.detail;
        EXPECT_GE(Clock::now() - started, milliseconds(NegotiationLimit - 100));
        EXPECT_NE(std::string(device.OpenRemark()).find("does not take the Telnet COM-port option"), std::string::npos);
        EXPECT_EQ(device.Configure(2400), 0);
        device.Control(LineControl::ClearDtr);
        device.StartWrite(reinterpret_cast<const std::uint8_t*>("AT\r"), 3);
        std::uint8_t chunk[8];
        started = Clock::now();
        EXPECT_EQ(device.Read(chunk, sizeof chunk, 300), 0u);
        EXPECT_LT(Clock::now() - started, milliseconds(3000));
        EXPECT_GE(Clock::now() - started, milliseconds(250));
        usleep(100000);
    }
    // Our offers, then the command as plain Telnet has it; no settings.
    EXPECT_EQ(heard, std::string("\xff\xfb\x00\xff\xfd\x00\xff\xfb\x2c", 9) + std::string("AT\r\0", 4));

    // Refuses the option at once, agrees to binary: no wait, the user told
    // once however often the port opens, and data flows as it is.
    FakeServer::Part refusing = [](int client, const std::atomic<bool>& stop) {
        const char answer[] = "\xff\xfe\x2c\xff\xfb\x00\xff\xfd\x00" "OK\r\n";
        (void)!write(client, answer, sizeof answer - 1);
        std::string ignored;
        Collect(client, stop, ignored);
    };
    test::ScriptedHost host;
    SessionLog log{host};
    PortNames names;
    SerialPort port{host, log, names};
    FakeServer server(refusing);
    ASSERT_TRUE(names.Map(1, server.Url()));
    for (int open = 0; open < 2; ++open) {
        auto started = Clock::now();
        ASSERT_EQ(port.OpenPort(Quiet::No), 1);
        EXPECT_LT(Clock::now() - started, milliseconds(NegotiationLimit));
        port.ClosePort();
    }
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text.rfind("127.0.0.1:", 0), 0u) << host.boxes[0].text;
    EXPECT_NE(host.boxes[0].text.find("the line settings are the server's own"), std::string::npos);

    // Sends Telnet commands without end, with a little data among them:
    // the open and every read end on time, and the data still arrives.
    FakeServer flood([](int client, const std::atomic<bool>& stop) {
        const char accept[] = "\xff\xfd\x2c";
        (void)!write(client, accept, 3);
        // NOP, then a modem-state report.
        const std::string piece("\xff\xf1\xff\xfa\x2c\x6b\x00\xff\xf0", 9);
        std::string noise;
        for (int i = 0; i < 2000; ++i) noise += piece;
        for (int round = 0; !stop; ++round) {
            if (write(client, noise.data(), noise.size()) < 0) break;
            if (round == 20) (void)!write(client, "DATA", 4);
        }
    });
    NetworkDevice device;
    OpenError error;
    ASSERT_TRUE(device.Open(flood.Url(), error, DeviceRoots{})) << error.detail;
    EXPECT_STREQ(device.OpenRemark(), "");
    std::string data;
    auto started = Clock::now();
    while (data.size() < 4 && Clock::now() - started < std::chrono::seconds(20)) {
        std::uint8_t chunk[16];
        auto before = Clock::now();
        std::size_t got = device.Read(chunk, sizeof chunk, 100);
        EXPECT_LT(Clock::now() - before, milliseconds(2000)) << "a read held beyond its wait";
        data.append(reinterpret_cast<const char*>(chunk), got);
    }
    EXPECT_EQ(data, "DATA");
}

}  // namespace
}  // namespace quillfen
