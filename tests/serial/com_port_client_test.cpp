// SPDX-License-Identifier: MIT
// The Telnet COM-port client as a state machine: what it sends for each
// step, what of the server's bytes reaches the reader, and that no server
// can make it loop or grow.
#include <gtest/gtest.h>

#include <string>

#include "serial/rfc2217/com_port_client.h"

namespace quillfen::rfc2217 {
namespace {

using Bytes = std::basic_string<std::uint8_t>;

Bytes B(std::initializer_list<int> values) {
    Bytes bytes;
    for (int v : values) bytes.push_back(static_cast<std::uint8_t>(v));
    return bytes;
}

Bytes Take(ComPortClient& client) {
    std::span<const std::uint8_t> out = client.Outgoing();
    Bytes bytes(out.begin(), out.end());
    client.Sent(out.size());
    return bytes;
}

// Feeds everything, in pieces of the given size, and returns the data.
Bytes Feed(ComPortClient& client, const Bytes& in, std::size_t piece = 1 << 20) {
    Bytes data;
    std::uint8_t room[4096];
    for (std::size_t at = 0; at < in.size();) {
        std::size_t len = std::min(piece, in.size() - at);
        std::size_t delivered = 0;
        std::size_t used = client.Receive(in.data() + at, len, room, sizeof room, delivered);
        data.append(room, delivered);
        at += used;
        if (used == 0) Take(client);
    }
    return data;
}

// What ser2net 4 sends as a connection opens: WILL/DO SGA, WILL ECHO,
// DONT ECHO, DO/WILL BINARY, DO COM-PORT.
const Bytes Ser2netHello = B({255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44});

TEST(ComPortClient, NegotiatesBinaryAndTheOptionThenSendsTheLineSettings) {
    ComPortClient client;
    EXPECT_EQ(Take(client), B({255, 251, 0, 255, 253, 0, 255, 251, 44}));
    EXPECT_EQ(client.ComPort(), ComPortState::Pending);
    EXPECT_FALSE(client.QueueBaudRate(2400)) << "no command before the server agrees";

    // Every offer of ours is taken silently; of the server's, SGA is agreed
    // both ways and its echo declined, which would double every answer.
    EXPECT_TRUE(Feed(client, Ser2netHello).empty());
    EXPECT_EQ(Take(client), B({255, 253, 3, 255, 251, 3, 255, 254, 1}));
    EXPECT_EQ(client.ComPort(), ComPortState::Accepted);
    // Asked again, only what is still declined is declined again: agreed
    // options are never answered twice, so the two sides cannot loop.
    Feed(client, Ser2netHello);
    EXPECT_EQ(Take(client), B({255, 254, 1}));

    ASSERT_TRUE(client.QueueBaudRate(115200));
    ASSERT_TRUE(client.QueueDataSize(8));
    ASSERT_TRUE(client.QueueParityNone());
    ASSERT_TRUE(client.QueueStopBitsOne());
    ASSERT_TRUE(client.QueueControl(Control::NoFlowControl));
    ASSERT_TRUE(client.QueueControl(Control::DtrOff));
    ASSERT_TRUE(client.QueuePurge(Purge::Receive));
    EXPECT_EQ(Take(client), B({255, 250, 44, 1, 0, 1, 194, 0, 255, 240,  //
                               255, 250, 44, 2, 8, 255, 240,             //
                               255, 250, 44, 3, 1, 255, 240,             //
                               255, 250, 44, 4, 1, 255, 240,             //
                               255, 250, 44, 5, 1, 255, 240,             //
                               255, 250, 44, 5, 9, 255, 240,             //
                               255, 250, 44, 12, 1, 255, 240}));
    // A value byte of 255 is doubled inside the subnegotiation too.
    ASSERT_TRUE(client.QueueBaudRate(0x0000FF00));
    EXPECT_EQ(Take(client), B({255, 250, 44, 1, 0, 0, 255, 255, 0, 255, 240}));
}

TEST(ComPortClient, OnlyTheModemsBytesReachTheReaderWhereverTheReadsCut) {
    ComPortClient client;
    Feed(client, Ser2netHello);
    Take(client);

    // 0xFF both ways, and a CR alone: binary sends every byte as it is.
    const Bytes modem = B({'O', 'K', 13, 10, 255, 0, 13, 0, 255});
    EXPECT_EQ(client.QueueData(modem.data(), modem.size()), modem.size());
    EXPECT_EQ(Take(client), B({'O', 'K', 13, 10, 255, 255, 0, 13, 0, 255, 255}));

    const Bytes wire = B({'A', 255, 255, 'B',
                          255, 250, 44, 106, 0x0A, 255, 240,     // line state: overrun and framing
                          'C', 255, 241,                          // NOP
                          255, 250, 44, 107, 0x30, 255, 240,     // modem state, ignored
                          255, 250, 44, 101, 0, 0, 9, 96, 255, 240,  // the speed's acknowledgement
                          255, 250, 24, 1, 255, 255, 255, 240,   // another option's, dropped whole
                          13, 0, 'D'});
    const Bytes expected = B({'A', 255, 'B', 'C', 13, 0, 'D'});
    for (std::size_t piece : {std::size_t{1}, std::size_t{2}, std::size_t{5}, wire.size()}) {
        ComPortClient cut;
        Feed(cut, Ser2netHello);
        EXPECT_EQ(Feed(cut, wire, piece), expected) << "pieces of " << piece;
        EXPECT_EQ(cut.TakeLineErrors(), 0x0A) << "pieces of " << piece;
        EXPECT_EQ(cut.TakeLineErrors(), 0) << "taken once";
    }

    // The reader's room is respected: the rest waits for the next call.
    std::uint8_t one[1];
    std::size_t delivered = 0;
    const Bytes two = B({'x', 'y'});
    EXPECT_EQ(client.Receive(two.data(), two.size(), one, 1, delivered), 1u);
    EXPECT_EQ(delivered, 1u);
}

TEST(ComPortClient, ARefusingServerIsPlainTelnetWithCrNulOutsideBinary) {
    ComPortClient client;
    Take(client);
    Feed(client, B({255, 254, 44, 255, 254, 0, 255, 252, 0}));
    EXPECT_EQ(client.ComPort(), ComPortState::Refused);
    EXPECT_TRUE(Take(client).empty()) << "refusals of our own offers are not answered";
    EXPECT_FALSE(client.QueueControl(Control::DtrOn));
    EXPECT_TRUE(Take(client).empty());

    const Bytes command = B({'A', 'T', 13});
    client.QueueData(command.data(), command.size());
    EXPECT_EQ(Take(client), B({'A', 'T', 13, 0}));
    EXPECT_EQ(Feed(client, B({'O', 'K', 13, 0, 13, 10})), B({'O', 'K', 13, 13, 10}));

    // A server that never answers is given up on; a late yes still counts.
    ComPortClient silent;
    Take(silent);
    silent.GiveUpOnComPort();
    EXPECT_EQ(silent.ComPort(), ComPortState::Refused);
    Feed(silent, B({255, 253, 44}));
    EXPECT_EQ(silent.ComPort(), ComPortState::Accepted);
    EXPECT_TRUE(Take(silent).empty());
}

TEST(ComPortClient, NoServerCanMakeItGrowOrSpin) {
    ComPortClient client;
    Take(client);
    // Endless requests for options we decline: every one is answered, but
    // only while the outbox has room; then Receive stops taking input.
    Bytes flood;
    for (int i = 0; i < 5000; ++i) {
        flood += B({255, 253, 1 + i % 2 * 23});  // DO ECHO, DO TERMINAL-TYPE
        flood += B({255, 254, 1 + i % 2 * 23});
    }
    std::uint8_t data[16];
    std::size_t delivered = 0;
    std::size_t used = client.Receive(flood.data(), flood.size(), data, sizeof data, delivered);
    EXPECT_LT(used, flood.size());
    EXPECT_LE(client.Outgoing().size(), OutboxSize);
    EXPECT_EQ(client.Receive(flood.data() + used, flood.size() - used, data, sizeof data, delivered), 0u)
        << "a full outbox takes no more until it is sent";
    Take(client);
    EXPECT_GT(client.Receive(flood.data() + used, flood.size() - used, data, sizeof data, delivered), 0u);

    // A subnegotiation longer than any real one is read past, not kept.
    Bytes longSub = B({255, 250, 44, 106});
    longSub.append(10000, 0x0E);
    longSub += B({255, 240, 'Z'});
    ComPortClient other;
    EXPECT_EQ(Feed(other, longSub), B({'Z'}));
    EXPECT_EQ(other.TakeLineErrors(), 0);

    // Data is queued only as far as the outbox reaches.
    Bytes iacs(OutboxSize, 255);
    ComPortClient full;
    Take(full);
    EXPECT_EQ(full.QueueData(iacs.data(), iacs.size()), OutboxSize / 2);
}

}  // namespace
}  // namespace quillfen::rfc2217
