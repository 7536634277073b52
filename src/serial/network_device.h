// SPDX-License-Identifier: MIT
// A modem behind a terminal server: a TCP connection that carries the
// modem's bytes, with the Telnet COM-port option for its line settings and
// control lines (rfc2217://HOST:PORT) or without anything (tcp://HOST:PORT).
// Owns the connection, the protocol's state and fixed buffers for the bytes
// in each direction. A caller may rely on: the input count is what has
// arrived, been decoded and not been read; the output count is what the
// socket has not taken yet, plus the kernel's unsent bytes where it tells;
// no call waits longer than it is given; a server that ends the connection
// after the open makes the device hung up.
#pragma once

#include <cstdint>

#include "serial/device_name.h"
#include "serial/net_socket.h"
#include "serial/rfc2217/com_port_client.h"
#include "serial/serial_device.h"

namespace quillfen {

// How long a connection may take to be made, and a Telnet server to answer
// our offer of the COM-port option.
inline constexpr int ConnectLimit = 5000;       // ms
inline constexpr int NegotiationLimit = 2000;   // ms
// Decoded bytes kept for the reader: a local port's input queue.
inline constexpr std::size_t NetworkInputSize = 16384;

class NetworkDevice final : public SerialDevice {
public:
    NetworkDevice() = default;
    ~NetworkDevice() override { Close(); }
    NetworkDevice(const NetworkDevice&) = delete;
    NetworkDevice& operator=(const NetworkDevice&) = delete;

    bool Open(const std::string& device, OpenError& error, const DeviceRoots& roots) override;
    bool IsOpen() const override { return socket_.IsOpen(); }
    void Close() override;
    bool HungUp() const override { return hungUp_; }
    const char* OpenRemark() const override { return remark_; }
    int Configure(std::uint32_t bitsPerSecond) override;
    void Control(LineControl step) override;
    void PurgeInput() override;
    void PurgeOutput() override;
    QueueCounts QueryStatus() override;
    std::size_t StartWrite(const std::uint8_t* data, std::size_t len) override;
    std::size_t Read(std::uint8_t* buffer, std::size_t n, int waitMs) override;
    std::intptr_t HandleValue() const override { return socket_.Handle(); }

private:
    bool Telnet() const { return address_.protocol == NetworkProtocol::Rfc2217; }
    // Sends what waits and takes in what has arrived, without waiting.
    void Pump();
    void Flush();
    void Decode();
    void NoteEnded();

    NetSocket socket_;
    NetworkAddress address_;
    rfc2217::ComPortClient telnet_;
    bool hungUp_ = false;
    char remark_[DetailSize] = {};

    // Raw TCP's bytes not yet taken by the socket.
    std::uint8_t rawOut_[DeviceWriteLimit] = {};
    std::size_t rawCount_ = 0;
    // Bytes from the socket not yet decoded (the reader had no room).
    std::uint8_t wire_[4096] = {};
    std::size_t wireStart_ = 0;
    std::size_t wireCount_ = 0;
    // Decoded bytes for the reader.
    std::uint8_t input_[NetworkInputSize] = {};
    std::size_t inputStart_ = 0;
    std::size_t inputCount_ = 0;
};

}  // namespace quillfen
