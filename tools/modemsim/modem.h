// SPDX-License-Identifier: MIT
// The simulated modem's command interpreter: a Hayes modem in command state.
// It owns the modem's state (settings, S-registers, service class and the
// command line being typed) and turns each received byte into what the modem
// sends back. It does no I/O and reads no clock: the answer to a finished
// command line is complete in the output when Feed returns.
#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "modem_tables.h"

namespace quillfen::modemsim {

// Lets line noise slip in around answers without the interpreter knowing how.
class AnswerHooks {
public:
    virtual ~AnswerHooks() = default;
    // Between the echo of a command line and its answer.
    virtual void BeforeAnswer(std::string& out) = 0;
    // Right in front of a result word, inside its line.
    virtual void BeforeResultWord(std::string& out) = 0;
};

class Modem {
public:
    // Longest command line kept; a longer one is answered ERROR.
    static constexpr std::size_t kLineLimit = 255;

    explicit Modem(const Profile& profile, AnswerHooks* hooks = nullptr);

    // Takes one byte from the program and appends the echo and any answer to
    // out. True when the byte ended an AT command line (answered or, for a
    // silent modem, swallowed); empty and non-AT lines do not count.
    bool Feed(unsigned char byte, std::string& out);

    // True while a command line has been started and not yet ended.
    bool LineInProgress() const { return length_ > 0 || overflow_; }

private:
    void Execute(std::string_view command, std::string& out);
    bool RunExtended(std::string_view command, std::size_t& pos, std::string& out);
    bool RunSRegister(std::string_view command, std::size_t& pos, std::string& out);
    void RestoreFactory();
    const ClassQuery* FindQuery(std::string_view form) const;
    const SettingLimit* FindLimit(char prefix, char letter) const;
    void AppendInformation(std::span<const std::string_view> lines, std::string& out) const;
    void AppendInformationLine(std::string_view line, std::string& out) const;
    void AppendResult(Result result, std::string& out);
    void AppendSettingsPage(std::string& out) const;
    bool Echoing() const;
    bool Verbose() const;
    bool Quiet() const;

    const Profile& profile_;
    AnswerHooks* hooks_;
    std::vector<std::uint8_t> settings_;   // one value per row of Settings()
    std::vector<std::uint8_t> registers_;  // one value per row of SRegisters()
    ClassBit serviceClass_ = kClass0;
    int echoRow_, verboseRow_, quietRow_, callProgressRow_;

    std::array<char, kLineLimit> line_{};
    std::size_t length_ = 0;
    bool overflow_ = false;
};

}  // namespace quillfen::modemsim
