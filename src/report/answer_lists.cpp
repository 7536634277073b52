// SPDX-License-Identifier: MIT
#include "report/answer_lists.h"

#include <algorithm>

#include "report/capability_tables.h"

namespace quillfen::report {

namespace {

// No range we read goes further; a wider one is taken as far as this.
constexpr unsigned LargestListValue = 255;
// Digits beyond these would overflow nothing, but no field has them.
constexpr std::size_t LongestNumber = 6;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '"' || c == '(' || c == ')'; }

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

// The comma-separated items of text, each trimmed; parentheses are only
// grouping here.
template <typename Take>
void ForEachItem(std::string_view text, Take take) {
    std::size_t at = 0;
    while (at <= text.size()) {
        std::size_t comma = text.find(',', at);
        std::size_t end = comma == std::string_view::npos ? text.size() : comma;
        std::string_view item = TrimBlanks(text.substr(at, end - at));
        if (!item.empty()) take(item);
        at = end + 1;
    }
}

int DigitValue(char c, unsigned base) {
    int value = -1;
    if (IsDigit(c)) value = c - '0';
    if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    return value >= 0 && static_cast<unsigned>(value) < base ? value : -1;
}

bool ReadNumber(std::string_view text, unsigned base, unsigned& value) {
    if (text.empty() || text.size() > LongestNumber) return false;
    value = 0;
    for (char c : text) {
        int digit = DigitValue(c, base);
        if (digit < 0) return false;
        value = value * base + static_cast<unsigned>(digit);
    }
    return true;
}

// "3" or "0-5": false for anything else.
bool ReadRange(std::string_view item, unsigned base, unsigned& low, unsigned& high) {
    std::size_t dash = item.find('-');
    if (dash == std::string_view::npos) {
        if (!ReadNumber(item, base, low)) return false;
        high = low;
        return true;
    }
    return ReadNumber(TrimBlanks(item.substr(0, dash)), base, low) &&
           ReadNumber(TrimBlanks(item.substr(dash + 1)), base, high) && low <= high;
}

const tables::ModulationCode* KnownRate(unsigned code) {
    for (const tables::ModulationCode& row : tables::ModulationCodes())
        if (row.code == code) return &row;
    return nullptr;
}

const tables::ParameterValue* KnownValue(const tables::FaxParameterTable& table, unsigned value) {
    for (const tables::ParameterValue& row : table.values)
        if (row.value == value) return &row;
    return nullptr;
}

// The top-level groups of a range list: "(0,1)", "(0-5)" or a bare "3".
std::vector<std::string_view> SplitGroups(std::string_view answer) {
    std::vector<std::string_view> groups;
    std::size_t at = 0;
    while (at < answer.size()) {
        while (at < answer.size() && (answer[at] == ',' || answer[at] == ' ')) ++at;
        if (at >= answer.size()) break;
        std::size_t end;
        if (answer[at] == '(') {
            end = answer.find(')', at);
            end = end == std::string_view::npos ? answer.size() : end + 1;
        } else {
            end = answer.find(',', at);
            if (end == std::string_view::npos) end = answer.size();
        }
        groups.push_back(answer.substr(at, end - at));
        at = end;
    }
    return groups;
}

}  // namespace

std::string_view StripParameterName(std::string_view answer) {
    std::string_view text = TrimBlanks(answer);
    if (text.empty() || text.front() != '+') return answer;
    std::size_t at = 1;
    while (at < text.size() && ((text[at] >= 'A' && text[at] <= 'Z') || (text[at] >= 'a' && text[at] <= 'z')))
        ++at;
    if (at == 1 || at >= text.size() || (text[at] != ':' && text[at] != '=')) return answer;
    return TrimBlanks(text.substr(at + 1)).empty() ? std::string_view() : text.substr(at + 1);
}

std::vector<std::string> ExpandList(std::string_view answer) {
    std::vector<std::string> items;
    ForEachItem(StripParameterName(answer), [&](std::string_view item) {
        unsigned low = 0, high = 0;
        if (item.find('-') != std::string_view::npos && ReadRange(item, 10, low, high)) {
            for (unsigned value = low; value <= std::min(high, LargestListValue); ++value)
                items.push_back(std::to_string(value));
            return;
        }
        items.emplace_back(item);
    });
    return items;
}

std::vector<Modulation> DecodeRates(std::string_view answer) {
    std::vector<Modulation> rates;
    ForEachItem(StripParameterName(answer), [&](std::string_view item) {
        unsigned low = 0, high = 0;
        if (!ReadRange(item, 10, low, high)) return;
        for (unsigned code = low; code <= std::min(high, LargestListValue); ++code) {
            const tables::ModulationCode* known = KnownRate(code);
            // Inside a range only the codes that exist count.
            if (!known && low != high) continue;
            Modulation rate;
            rate.code = code;
            if (known) {
                rate.name = std::string(known->name);
                rate.bitsPerSecond = known->bitsPerSecond;
            }
            rates.push_back(std::move(rate));
        }
    });
    return rates;
}

ClassTwoRanges DecodeRanges(std::string_view command, std::string_view className, std::string_view answer,
                            std::string& problem) {
    ClassTwoRanges ranges;
    ranges.className = std::string(className);
    ranges.command = std::string(command);
    ranges.answer = std::string(answer);
    const std::string shown = std::string(command.substr(std::min<std::size_t>(2, command.size())));

    std::string_view list = StripParameterName(answer);
    // Class 2.0 writes its values in hexadecimal; class 2 in decimal, unless
    // the modem used hex digits anyway.
    const bool hex = className == "2.0" || list.find_first_of("ABCDEFabcdef") != std::string_view::npos;
    const unsigned base = hex ? 16 : 10;
    const std::vector<std::string_view> groups = SplitGroups(list);
    if (groups.size() < tables::FewestParameterGroups || groups.size() > tables::MostParameterGroups) {
        problem = shown + " gave " + std::to_string(groups.size()) + " groups; its capabilities are not decoded";
        return ranges;
    }

    const std::span<const tables::FaxParameterTable> fields = tables::FaxParameters(className);
    for (std::size_t index = 0; index < groups.size(); ++index) {
        const tables::FaxParameterTable& field = fields[index];
        FaxParameter parameter;
        parameter.name = std::string(field.name);
        parameter.range = std::string(groups[index]);
        parameter.lowestOnly = field.lowestOnly;
        bool readable = true;
        ForEachItem(groups[index], [&](std::string_view item) {
            unsigned low = 0, high = 0;
            if (!readable || !ReadRange(item, base, low, high)) {
                readable = false;
                return;
            }
            std::size_t before = parameter.meanings.size();
            for (unsigned value = low; value <= std::min(high, LargestListValue); ++value) {
                const tables::ParameterValue* known = KnownValue(field, value);
                if (!known) continue;
                parameter.meanings.emplace_back(known->meaning);
                if (index == tables::BitRateParameter) {
                    ranges.fastestBitsPerSecond = std::max(ranges.fastestBitsPerSecond, known->bitsPerSecond);
                    if (value >= tables::FirstV34BitRate) ranges.v34 = true;
                }
                if (index == tables::ErrorCorrectionParameter && value >= 1) ranges.ecm = true;
            }
            // A single value the field does not have, or a range with none it
            // has, means the answer is not what we take it for.
            if (parameter.meanings.size() == before) readable = false;
        });
        if (!readable) {
            problem = shown + " gave " + parameter.range + " for " + parameter.name +
                      ", which that field does not have; its capabilities are not decoded";
            ranges.parameters.clear();
            ranges.fastestBitsPerSecond = 0;
            ranges.v34 = ranges.ecm = false;
            return ranges;
        }
        ranges.parameters.push_back(std::move(parameter));
    }
    ranges.decoded = true;
    return ranges;
}

}  // namespace quillfen::report
