// SPDX-License-Identifier: MIT
#include "modem.h"

#include <cstdio>

namespace quillfen::modemsim {

namespace {

constexpr unsigned char kCarriageReturn = 0x0D;
constexpr unsigned char kLineFeed = 0x0A;
constexpr unsigned char kBackspace = 0x08;
constexpr unsigned char kDelete = 0x7F;
constexpr std::size_t kSettingsPageWidth = 79;
constexpr std::size_t kRegistersPerLine = 8;

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsAlphaNumeric(char c) {
    char upper = Upper(c);
    return IsDigit(c) || (upper >= 'A' && upper <= 'Z');
}

// Reads up to three decimal digits; false when there are more.
bool ReadNumber(std::string_view text, std::size_t& pos, unsigned& value) {
    value = 0;
    std::size_t digits = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (++digits > 3) return false;
        value = value * 10 + static_cast<unsigned>(text[pos] - '0');
        ++pos;
    }
    return true;
}

std::string SettingName(const Setting& setting, unsigned value) {
    std::string name;
    if (setting.prefix != '\0') name.push_back(setting.prefix);
    name.push_back(setting.letter);
    name += std::to_string(value);
    return name;
}

}  // namespace

Modem::Modem(const Profile& profile, AnswerHooks* hooks)
    : profile_(profile),
      hooks_(hooks),
      settings_(Settings().size()),
      registers_(SRegisters().size()),
      echoRow_(FindSetting('\0', 'E')),
      verboseRow_(FindSetting('\0', 'V')),
      quietRow_(FindSetting('\0', 'Q')),
      callProgressRow_(FindSetting('\0', 'X')) {
    RestoreFactory();
}

void Modem::RestoreFactory() {
    std::span<const Setting> rows = Settings();
    for (std::size_t i = 0; i < rows.size(); ++i) settings_[i] = rows[i].factory;
    if (profile_.numericOnly) settings_[static_cast<std::size_t>(verboseRow_)] = 0;
    std::span<const SRegister> registers = SRegisters();
    for (std::size_t i = 0; i < registers.size(); ++i) registers_[i] = registers[i].factory;
    serviceClass_ = kClass0;
}

bool Modem::Echoing() const { return !profile_.silent && settings_[static_cast<std::size_t>(echoRow_)] != 0; }
bool Modem::Verbose() const {
    return !profile_.numericOnly && settings_[static_cast<std::size_t>(verboseRow_)] != 0;
}
bool Modem::Quiet() const { return settings_[static_cast<std::size_t>(quietRow_)] != 0; }

bool Modem::Feed(unsigned char byte, std::string& out) {
    if (Echoing()) out.push_back(static_cast<char>(byte));

    if (byte == kLineFeed) return false;
    if (byte == kBackspace || byte == kDelete) {
        if (length_ > 0 && !overflow_) --length_;
        return false;
    }
    if (byte != kCarriageReturn) {
        if (length_ < line_.size())
            line_[length_++] = static_cast<char>(byte);
        else
            overflow_ = true;
        return false;
    }

    std::string_view line(line_.data(), length_);
    bool overflowed = overflow_;
    length_ = 0;
    overflow_ = false;

    std::size_t start = line.find_first_not_of(' ');
    if (start == std::string_view::npos || line.size() - start < 2 || Upper(line[start]) != 'A' ||
        Upper(line[start + 1]) != 'T')
        return false;
    if (profile_.silent) return true;

    if (hooks_) hooks_->BeforeAnswer(out);
    // A line too long for the buffer is refused whole: half a command must not run.
    if (overflowed) {
        AppendResult(Result::Error, out);
        return true;
    }
    Execute(line.substr(start + 2), out);
    return true;
}

// Runs the commands of one line in order. The first one that fails ends the
// line with ERROR; the info text of the ones before it has been sent already,
// as a real modem does.
void Modem::Execute(std::string_view command, std::string& out) {
    Result result = Result::Ok;
    std::size_t pos = 0;
    while (pos < command.size() && result == Result::Ok) {
        char c = Upper(command[pos]);
        if (c == ' ' || c == ';') {
            ++pos;
            continue;
        }
        if (c == '+') {
            if (!RunExtended(command, pos, out)) result = Result::Error;
            continue;
        }
        if (c == 'S') {
            if (!RunSRegister(command, pos, out)) result = Result::Error;
            continue;
        }
        if (c == 'D') {
            // No telephone line is attached. With call-progress detection
            // the modem notices; blind dialling only finds no carrier.
            result = settings_[static_cast<std::size_t>(callProgressRow_)] >= 2 ? Result::NoDialtone
                                                                                : Result::NoCarrier;
            break;
        }

        char prefix = '\0';
        if (c == '&' || c == '\\') {
            prefix = c;
            if (++pos >= command.size()) {
                result = Result::Error;
                break;
            }
            c = Upper(command[pos]);
        }
        ++pos;
        unsigned value = 0;
        int row = FindSetting(prefix, c);
        const SettingLimit* limit = FindLimit(prefix, c);
        ValueSet accepted = limit ? limit->accepted : row >= 0 ? Settings()[static_cast<std::size_t>(row)].accepted : 0;
        if (accepted == 0 || !ReadNumber(command, pos, value) || value >= 32 || (accepted & (1u << value)) == 0) {
            result = Result::Error;
            break;
        }
        // A real modem's own command that the shared table does not have.
        if (row < 0) continue;

        const Setting& setting = Settings()[static_cast<std::size_t>(row)];
        switch (setting.effect) {
        case Effect::Store:
            // A modem fixed to numeric codes takes V1 and keeps answering in digits.
            if (row == verboseRow_ && profile_.numericOnly) break;
            settings_[static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(value);
            break;
        case Effect::Accept:
            break;
        case Effect::Information:
            if (profile_.fromCorpus) {
                const ClassQuery* page = FindQuery("I" + std::to_string(value));
                if (!page) {
                    result = Result::Error;
                    break;
                }
                AppendInformation(page->answer, out);
                break;
            }
            AppendInformation(profile_.pages.empty() ? InformationPage(value)
                                                     : profile_.pages[value % profile_.pages.size()],
                              out);
            break;
        case Effect::ShowSettings:
            AppendSettingsPage(out);
            break;
        case Effect::Factory:
            RestoreFactory();
            break;
        case Effect::Reset:
            RestoreFactory();
            pos = command.size();
            break;
        case Effect::Answer:
            result = Result::NoCarrier;
            break;
        }
    }
    AppendResult(result, out);
}

// One command in the extended syntax, up to ';' or the end of the line.
bool Modem::RunExtended(std::string_view command, std::size_t& pos, std::string& out) {
    std::size_t start = pos++;
    while (pos < command.size() && IsAlphaNumeric(command[pos])) ++pos;
    std::string name;
    for (std::size_t i = start; i < pos; ++i) name.push_back(Upper(command[i]));
    if (name.size() < 2) return false;

    std::string form = name;
    std::string_view value;
    bool setting = false;
    if (command.substr(pos, 2) == "=?") {
        form += "=?";
        pos += 2;
    } else if (command.substr(pos, 1) == "?") {
        form += "?";
        pos += 1;
    } else if (command.substr(pos, 1) == "=") {
        std::size_t end = command.find(';', pos);
        if (end == std::string_view::npos) end = command.size();
        value = command.substr(pos + 1, end - pos - 1);
        setting = true;
        pos = end;
    }
    if (pos < command.size() && command[pos] != ';') return false;

    if (name == "+FCLASS") {
        // A data-only modem of the old kind has no such command at all.
        if (profile_.classes == 0) return false;
        std::span<const ServiceClass> classes = ServiceClasses();
        if (form == "+FCLASS=?") {
            if (!profile_.classList.empty()) {
                AppendInformationLine(profile_.classList, out);
                return true;
            }
            std::string list;
            for (const ServiceClass& row : classes) {
                if ((profile_.classes & row.bit) == 0) continue;
                if (!list.empty()) list.push_back(',');
                list += row.name;
            }
            AppendInformationLine(list, out);
            return true;
        }
        if (form == "+FCLASS?") {
            for (const ServiceClass& row : classes)
                if (row.bit == serviceClass_) AppendInformationLine(row.name, out);
            return true;
        }
        if (setting) {
            for (const ServiceClass& row : classes) {
                if (row.name == value && (profile_.classes & row.bit) != 0) {
                    serviceClass_ = row.bit;
                    return true;
                }
            }
        }
        return false;
    }

    if (setting) return false;
    if (const ClassQuery* query = FindQuery(form)) {
        AppendInformation(query->answer, out);
        return true;
    }
    return false;
}

const ClassQuery* Modem::FindQuery(std::string_view form) const {
    for (const ClassQuery& query : profile_.queries.empty() ? ClassQueries() : profile_.queries)
        if (query.command == form && (query.classes & serviceClass_) != 0) return &query;
    return nullptr;
}

const SettingLimit* Modem::FindLimit(char prefix, char letter) const {
    for (const SettingLimit& limit : profile_.settingLimits)
        if (limit.prefix == prefix && limit.letter == letter) return &limit;
    return nullptr;
}

// Sn=v sets a register, Sn? reads it as three digits.
bool Modem::RunSRegister(std::string_view command, std::size_t& pos, std::string& out) {
    ++pos;
    unsigned number = 0;
    std::size_t digitsAt = pos;
    if (!ReadNumber(command, pos, number) || pos == digitsAt) return false;
    int row = FindSRegister(number);
    if (row < 0 || pos >= command.size()) return false;

    if (command[pos] == '?') {
        ++pos;
        char digits[4];
        std::snprintf(digits, sizeof digits, "%03u", registers_[static_cast<std::size_t>(row)]);
        AppendInformationLine(digits, out);
        return true;
    }
    if (command[pos] != '=') return false;
    ++pos;
    unsigned value = 0;
    digitsAt = pos;
    if (!ReadNumber(command, pos, value) || pos == digitsAt || value > 255) return false;
    registers_[static_cast<std::size_t>(row)] = static_cast<std::uint8_t>(value);
    return true;
}

// Verbose info text opens with CR LF and ends every line with CR LF; the
// terse form drops the opening pair.
void Modem::AppendInformation(std::span<const std::string_view> lines, std::string& out) const {
    if (Verbose()) out += "\r\n";
    for (std::string_view line : lines) {
        if (line == "$PRODUCT") line = profile_.product;
        if (line == "$CAPABILITIES") line = profile_.capabilities;
        out += line;
        out += "\r\n";
    }
}

void Modem::AppendInformationLine(std::string_view line, std::string& out) const {
    AppendInformation(std::span<const std::string_view>(&line, 1), out);
}

void Modem::AppendResult(Result result, std::string& out) {
    if (Quiet()) return;
    const ResultWord& word = WordFor(result);
    if (Verbose()) {
        out += "\r\n";
        if (hooks_) hooks_->BeforeResultWord(out);
        out += word.word;
        out += "\r\n";
    } else {
        if (hooks_) hooks_->BeforeResultWord(out);
        out += std::to_string(word.code);
        out += "\r";
    }
}

void Modem::AppendSettingsPage(std::string& out) const {
    std::vector<std::string> page;
    auto addSettings = [&page](const std::vector<std::uint8_t>& values) {
        std::string line;
        std::span<const Setting> rows = Settings();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            if (rows[i].effect != Effect::Store) continue;
            std::string item = SettingName(rows[i], values[i]);
            if (!line.empty() && line.size() + 1 + item.size() > kSettingsPageWidth) {
                page.push_back(line);
                line.clear();
            }
            if (!line.empty()) line.push_back(' ');
            line += item;
        }
        if (!line.empty()) page.push_back(line);
    };
    auto addRegisters = [&page](const std::vector<std::uint8_t>& values) {
        std::string line;
        std::span<const SRegister> rows = SRegisters();
        for (std::size_t i = 0; i < rows.size(); ++i) {
            char item[16];
            std::snprintf(item, sizeof item, "S%02u:%03u", rows[i].number, values[i]);
            if (!line.empty()) line.push_back(' ');
            line += item;
            if ((i + 1) % kRegistersPerLine == 0) {
                page.push_back(line);
                line.clear();
            }
        }
        if (!line.empty()) page.push_back(line);
    };

    std::vector<std::uint8_t> factorySettings;
    for (const Setting& row : Settings()) factorySettings.push_back(row.factory);
    if (profile_.numericOnly) factorySettings[static_cast<std::size_t>(verboseRow_)] = 0;
    std::vector<std::uint8_t> factoryRegisters;
    for (const SRegister& row : SRegisters()) factoryRegisters.push_back(row.factory);

    page.push_back("ACTIVE PROFILE:");
    addSettings(settings_);
    addRegisters(registers_);
    for (const char* stored : {"STORED PROFILE 0:", "STORED PROFILE 1:"}) {
        page.push_back("");
        page.push_back(stored);
        addSettings(factorySettings);
        addRegisters(factoryRegisters);
    }
    page.push_back("");
    page.push_back("TELEPHONE NUMBERS:");
    page.push_back("0=                                  1=");
    page.push_back("2=                                  3=");

    std::vector<std::string_view> lines(page.begin(), page.end());
    AppendInformation(lines, out);
}

}  // namespace quillfen::modemsim
