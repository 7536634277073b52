// SPDX-License-Identifier: MIT
#include "serial/rfc2217/com_port_client.h"

#include <cstring>

namespace quillfen::rfc2217 {

namespace {

// Telnet's command bytes.
constexpr std::uint8_t Se = 240;
constexpr std::uint8_t Sb = 250;
constexpr std::uint8_t Will = 251;
constexpr std::uint8_t Wont = 252;
constexpr std::uint8_t Do = 253;
constexpr std::uint8_t Dont = 254;
constexpr std::uint8_t Iac = 255;

constexpr std::uint8_t Cr = 13;
constexpr std::uint8_t Nul = 0;

// Options.
constexpr std::uint8_t Binary = 0;
constexpr std::uint8_t SuppressGoAhead = 3;
constexpr std::uint8_t ComPortOption = 44;

// COM-port commands, as the client sends them; the server answers with the
// same code plus 100.
constexpr std::uint8_t SetBaudRate = 1;
constexpr std::uint8_t SetDataSize = 2;
constexpr std::uint8_t SetParity = 3;
constexpr std::uint8_t SetStopSize = 4;
constexpr std::uint8_t SetControl = 5;
constexpr std::uint8_t PurgeData = 12;
constexpr std::uint8_t ServerOffset = 100;
constexpr std::uint8_t NotifyLineState = 6 + ServerOffset;
constexpr std::uint8_t NotifyModemState = 7 + ServerOffset;

constexpr std::uint8_t ParityNone = 1;
constexpr std::uint8_t StopBitsOne = 1;

// The options we take on ourselves when the server asks, and the ones we
// let the server take on. Everything else is declined: a server echo would
// double every answer.
bool WeMay(std::uint8_t option) {
    return option == Binary || option == SuppressGoAhead || option == ComPortOption;
}
bool TheyMay(std::uint8_t option) { return option == Binary || option == SuppressGoAhead; }

}  // namespace

ComPortClient::ComPortClient() { Start(); }

void ComPortClient::Start() {
    outStart_ = 0;
    outCount_ = 0;
    std::memset(us_, 0, sizeof us_);
    std::memset(them_, 0, sizeof them_);
    gaveUp_ = false;
    parse_ = Parse::Data;
    subLength_ = 0;
    subOverflow_ = false;
    lineErrors_ = 0;
    modemState_ = 0;

    us_[Binary] = Side::WantYes;
    Reply(Will, Binary);
    them_[Binary] = Side::WantYes;
    Reply(Do, Binary);
    us_[ComPortOption] = Side::WantYes;
    Reply(Will, ComPortOption);
}

bool ComPortClient::MakeRoom(std::size_t count) {
    if (OutboxSize - outStart_ - outCount_ >= count) return true;
    if (OutboxSize - outCount_ < count) return false;
    std::memmove(outbox_, outbox_ + outStart_, outCount_);
    outStart_ = 0;
    return true;
}

void ComPortClient::Sent(std::size_t count) {
    if (count > outCount_) count = outCount_;
    outStart_ += count;
    outCount_ -= count;
    if (outCount_ == 0) outStart_ = 0;
}

void ComPortClient::Reply(std::uint8_t verb, std::uint8_t option) {
    // Receive checks the room before it takes a negotiation; Start has an
    // empty outbox.
    if (!MakeRoom(3)) return;
    Put(Iac);
    Put(verb);
    Put(option);
}

std::size_t ComPortClient::QueueData(const std::uint8_t* data, std::size_t len) {
    if (data == nullptr) return 0;
    const bool binary = us_[Binary] == Side::Yes;
    std::size_t taken = 0;
    for (; taken < len; ++taken) {
        const std::uint8_t byte = data[taken];
        const bool doubled = byte == Iac || (byte == Cr && !binary);
        if (!MakeRoom(doubled ? 2 : 1)) break;
        Put(byte);
        if (byte == Iac) Put(Iac);
        else if (doubled) Put(Nul);
    }
    return taken;
}

bool ComPortClient::QueueCommand(std::uint8_t code, const std::uint8_t* value, std::size_t len) {
    if (ComPort() != ComPortState::Accepted) return false;
    std::size_t needed = 6;  // IAC SB option code ... IAC SE
    for (std::size_t i = 0; i < len; ++i) needed += value[i] == Iac ? 2 : 1;
    if (!MakeRoom(needed)) return false;
    Put(Iac);
    Put(Sb);
    Put(ComPortOption);
    Put(code);
    for (std::size_t i = 0; i < len; ++i) {
        Put(value[i]);
        if (value[i] == Iac) Put(Iac);
    }
    Put(Iac);
    Put(Se);
    return true;
}

bool ComPortClient::QueueBaudRate(std::uint32_t bitsPerSecond) {
    const std::uint8_t value[4] = {static_cast<std::uint8_t>(bitsPerSecond >> 24),
                                   static_cast<std::uint8_t>(bitsPerSecond >> 16),
                                   static_cast<std::uint8_t>(bitsPerSecond >> 8),
                                   static_cast<std::uint8_t>(bitsPerSecond)};
    return QueueCommand(SetBaudRate, value, sizeof value);
}

bool ComPortClient::QueueDataSize(std::uint8_t bits) { return QueueCommand(SetDataSize, &bits, 1); }
bool ComPortClient::QueueParityNone() { return QueueCommand(SetParity, &ParityNone, 1); }
bool ComPortClient::QueueStopBitsOne() { return QueueCommand(SetStopSize, &StopBitsOne, 1); }

bool ComPortClient::QueueControl(Control value) {
    const std::uint8_t byte = static_cast<std::uint8_t>(value);
    return QueueCommand(SetControl, &byte, 1);
}

bool ComPortClient::QueuePurge(Purge which) {
    const std::uint8_t byte = static_cast<std::uint8_t>(which);
    return QueueCommand(PurgeData, &byte, 1);
}

ComPortState ComPortClient::ComPort() const {
    if (us_[ComPortOption] == Side::Yes) return ComPortState::Accepted;
    if (us_[ComPortOption] == Side::No || gaveUp_) return ComPortState::Refused;
    return ComPortState::Pending;
}

std::uint8_t ComPortClient::TakeLineErrors() {
    std::uint8_t errors = lineErrors_;
    lineErrors_ = 0;
    return errors;
}

// Each side's options follow the rules that keep Telnet from looping: a
// request is answered only when it changes something, and an answer to
// our own request is taken silently.
void ComPortClient::Negotiate(std::uint8_t verb, std::uint8_t option) {
    switch (verb) {
    case Do: Answer(us_, option, true, WeMay(option), Will, Wont); break;
    case Dont: Answer(us_, option, false, WeMay(option), Will, Wont); break;
    case Will: Answer(them_, option, true, TheyMay(option), Do, Dont); break;
    case Wont: Answer(them_, option, false, TheyMay(option), Do, Dont); break;
    default: break;
    }
}

void ComPortClient::Answer(Side* side, std::uint8_t option, bool on, bool allowed, std::uint8_t yes, std::uint8_t no) {
    if (!on) {
        if (side[option] == Side::Yes) Reply(no, option);
        side[option] = Side::No;
    } else if (side[option] == Side::WantYes) {
        side[option] = Side::Yes;
    } else if (side[option] == Side::No) {
        if (allowed) side[option] = Side::Yes;
        Reply(allowed ? yes : no, option);
    }
}

void ComPortClient::FinishSubnegotiation() {
    // The line and modem states are the only reports that mean anything
    // here; acknowledgements of our own settings and the rest are dropped.
    if (subOverflow_ || subLength_ < 3 || sub_[0] != ComPortOption) return;
    if (sub_[1] == NotifyLineState) lineErrors_ |= static_cast<std::uint8_t>(sub_[2] & LineErrorBits);
    if (sub_[1] == NotifyModemState) modemState_ = sub_[2];
}

std::size_t ComPortClient::Receive(const std::uint8_t* in, std::size_t len, std::uint8_t* data, std::size_t room,
                                   std::size_t& delivered) {
    delivered = 0;
    if (in == nullptr || (data == nullptr && room > 0)) return 0;
    std::size_t used = 0;
    for (; used < len; ++used) {
        const std::uint8_t byte = in[used];
        switch (parse_) {
        case Parse::AfterCr:
            // Outside binary a CR travels as CR NUL; the NUL is not the modem's.
            parse_ = Parse::Data;
            if (byte == Nul) continue;
            [[fallthrough]];
        case Parse::Data:
            if (byte == Iac) {
                parse_ = Parse::Iac;
                continue;
            }
            if (delivered == room) return used;
            data[delivered++] = byte;
            if (byte == Cr && them_[Binary] != Side::Yes) parse_ = Parse::AfterCr;
            continue;
        case Parse::Iac:
            if (byte == Iac) {
                if (delivered == room) return used;
                data[delivered++] = Iac;
                parse_ = Parse::Data;
            } else if (byte >= Will) {
                verb_ = byte;
                parse_ = Parse::Verb;
            } else if (byte == Sb) {
                subLength_ = 0;
                subOverflow_ = false;
                parse_ = Parse::Sub;
            } else {
                // NOP, go-ahead, a stray SE and the like carry nothing for us.
                parse_ = Parse::Data;
            }
            continue;
        case Parse::Verb:
            if (OutboxSize - outCount_ < 3) return used;
            Negotiate(verb_, byte);
            parse_ = Parse::Data;
            continue;
        case Parse::Sub:
            if (byte == Iac) {
                parse_ = Parse::SubIac;
            } else if (subLength_ < SubnegotiationLimit) {
                sub_[subLength_++] = byte;
            } else {
                subOverflow_ = true;
            }
            continue;
        case Parse::SubIac:
            if (byte == Iac) {
                if (subLength_ < SubnegotiationLimit) sub_[subLength_++] = Iac;
                else subOverflow_ = true;
                parse_ = Parse::Sub;
            } else if (byte == Se) {
                FinishSubnegotiation();
                parse_ = Parse::Data;
            } else {
                // A command inside a subnegotiation ends it unfinished.
                parse_ = Parse::Data;
            }
            continue;
        }
    }
    return used;
}

}  // namespace quillfen::rfc2217
