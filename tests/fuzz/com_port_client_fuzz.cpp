// SPDX-License-Identifier: MIT
// Fuzz target for the Telnet COM-port client: whatever a server sends, in
// whatever pieces, the client keeps to its buffers, always makes progress
// once its outbox is sent, and hands the reader exactly what the modem's
// side encoded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "serial/rfc2217/com_port_client.h"

namespace {

using namespace quillfen::rfc2217;

void Check(bool condition) {
    if (!condition) std::abort();
}

// Sends everything waiting, as a socket that takes it all would.
void Drain(ComPortClient& client) {
    Check(client.Outgoing().size() <= OutboxSize);
    client.Sent(client.Outgoing().size());
    Check(client.Outgoing().empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    // The first byte picks how the reads cut the stream and how much room
    // the reader has.
    const std::size_t piece = 1 + data[0] % 17;
    const std::size_t room = 1 + data[0] / 17;
    ++data;
    --size;

    ComPortClient client;
    std::uint8_t out[32];
    for (std::size_t at = 0; at < size;) {
        const std::size_t len = piece < size - at ? piece : size - at;
        std::size_t delivered = 0;
        const std::size_t used = client.Receive(data + at, len, out, room, delivered);
        Check(used <= len && delivered <= room && delivered <= used);
        Check(client.Outgoing().size() <= OutboxSize);
        if (used == 0) {
            // Stopped for want of room: with the outbox sent and a reader
            // with room, it must move on.
            Drain(client);
            Check(client.Receive(data + at, len, out, room, delivered) > 0 || delivered > 0);
            continue;
        }
        at += used;
        if (client.Outgoing().size() > OutboxSize / 2) Drain(client);
        client.TakeLineErrors();
    }

    // The same bytes as data: what goes out decodes back to them exactly.
    Drain(client);
    ComPortClient sender;
    Drain(sender);
    const std::size_t queued = sender.QueueData(data, size);
    std::span<const std::uint8_t> wire = sender.Outgoing();
    ComPortClient receiver;
    static std::uint8_t decoded[2 * OutboxSize];
    std::size_t delivered = 0;
    Check(receiver.Receive(wire.data(), wire.size(), decoded, sizeof decoded, delivered) == wire.size());
    Check(delivered == queued && std::memcmp(decoded, data, queued) == 0);
    return 0;
}
