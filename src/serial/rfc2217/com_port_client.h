// SPDX-License-Identifier: MIT
// The client side of Telnet with the COM-port control option, as a state
// machine: bytes from the server in, the modem's data and our replies out,
// no sockets and no clock. It owns the state of the conversation (which
// options each side agreed to), the bytes waiting to go to the server, and a
// command or subnegotiation cut in two by a read. A caller may rely on: only
// the modem's bytes reach the data it is given (IAC undoubled, commands and
// subnegotiations removed); what is queued goes out in order with IAC
// doubled; every buffer is fixed, so no server can make it grow.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quillfen::rfc2217 {

// Room for a full write with every byte doubled, the line settings and the
// replies a read can call for.
inline constexpr std::size_t OutboxSize = 8192;
// The longest subnegotiation kept; longer ones are read past and dropped.
inline constexpr std::size_t SubnegotiationLimit = 64;

// Where the COM-port option stands.
enum class ComPortState { Pending, Accepted, Refused };

// SET-CONTROL values the client uses.
enum class Control : std::uint8_t {
    NoFlowControl = 1,
    BreakOn = 5,
    BreakOff = 6,
    DtrOn = 8,
    DtrOff = 9,
    RtsOn = 11,
    RtsOff = 12,
};

// PURGE-DATA values: which of the server's buffers to empty.
enum class Purge : std::uint8_t { Receive = 1, Transmit = 2 };

// Line-state bits that report a fault on the line: overrun, parity,
// framing and break, the same bits a local port's error flags use.
inline constexpr std::uint8_t LineErrorBits = 0x1E;

class ComPortClient {
public:
    ComPortClient();

    // Forgets the last conversation and queues the opening offers: BINARY
    // both ways and the COM-port option.
    void Start();

    // Queues data for the modem and returns how many of its len bytes were
    // taken (fewer only when the outbox is full). IAC is doubled; while the
    // server has not agreed to binary, a CR goes out as CR NUL.
    std::size_t QueueData(const std::uint8_t* data, std::size_t len);

    // The COM-port commands; each returns false, and queues nothing, when
    // the option is not accepted or the outbox has no room.
    bool QueueBaudRate(std::uint32_t bitsPerSecond);
    bool QueueDataSize(std::uint8_t bits);
    bool QueueParityNone();
    bool QueueStopBitsOne();
    bool QueueControl(Control value);
    bool QueuePurge(Purge which);

    // The bytes to send next, and how many of them the socket took.
    std::span<const std::uint8_t> Outgoing() const { return {outbox_ + outStart_, outCount_}; }
    void Sent(std::size_t count);

    // Takes bytes from the server. The modem's data goes to data (at most
    // room bytes, count in delivered); replies are queued. Returns how many
    // of in's len bytes were used: fewer when data is full or the outbox has
    // no room for a reply. Call again with the rest once there is room.
    std::size_t Receive(const std::uint8_t* in, std::size_t len, std::uint8_t* data, std::size_t room,
                        std::size_t& delivered);

    ComPortState ComPort() const;
    // The server has not answered the offer in time: use the connection as
    // a plain Telnet port. A late acceptance is still acknowledged.
    void GiveUpOnComPort() { gaveUp_ = true; }

    // Line faults the server reported since the last call, as flag bits.
    std::uint8_t TakeLineErrors();
    std::uint8_t ModemState() const { return modemState_; }

private:
    enum class Side : std::uint8_t { No, Yes, WantYes };
    enum class Parse : std::uint8_t { Data, Iac, Verb, Sub, SubIac, AfterCr };

    // True when count more bytes fit, moving what waits to the front if need be.
    bool MakeRoom(std::size_t count);
    void Put(std::uint8_t byte) { outbox_[outStart_ + outCount_++] = byte; }
    void Negotiate(std::uint8_t verb, std::uint8_t option);
    // One side's option asked on (or said to be off): yes and no are the
    // verbs that answer for that side.
    void Answer(Side* side, std::uint8_t option, bool on, bool allowed, std::uint8_t yes, std::uint8_t no);
    void Reply(std::uint8_t verb, std::uint8_t option);
    void FinishSubnegotiation();
    bool QueueCommand(std::uint8_t code, const std::uint8_t* value, std::size_t len);

    std::uint8_t outbox_[OutboxSize] = {};
    std::size_t outStart_ = 0;
    std::size_t outCount_ = 0;

    Side us_[256] = {};    // what we do, as the server agreed
    Side them_[256] = {};  // what the server does, as we agreed
    bool gaveUp_ = false;

    Parse parse_ = Parse::Data;
    std::uint8_t verb_ = 0;
    std::uint8_t sub_[SubnegotiationLimit] = {};
    std::size_t subLength_ = 0;
    bool subOverflow_ = false;

    std::uint8_t lineErrors_ = 0;
    std::uint8_t modemState_ = 0;
};

}  // namespace quillfen::rfc2217
