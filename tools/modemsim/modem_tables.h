// SPDX-License-Identifier: MIT
// What the simulated modem knows, as tables: its profiles, its service
// classes, the result words, the basic and ampersand commands it accepts, its
// S-registers, the class queries it answers and its information pages.
// The interpreter in modem.cpp only walks these tables; to change what the
// modem accepts, change a row here.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

namespace quillfen::modemsim {

// Service classes as bits, so a row can name every class it lives in.
using ClassSet = std::uint8_t;
enum ClassBit : ClassSet {
    kClass0 = 1u << 0,
    kClass1 = 1u << 1,
    kClass10 = 1u << 2,
    kClass2 = 1u << 3,
    kClass20 = 1u << 4,
    kClass8 = 1u << 5,  // voice
    kClass21 = 1u << 6,
    kClass80 = 1u << 7,  // VoiceView
};
inline constexpr ClassSet kAllClasses =
    kClass0 | kClass1 | kClass10 | kClass2 | kClass20 | kClass8 | kClass21 | kClass80;

struct ServiceClass {
    ClassBit bit;
    std::string_view name;  // as +FCLASS spells it
};
// In the order +FCLASS=? lists them.
std::span<const ServiceClass> ServiceClasses();

// A query in the extended syntax, answered only in the classes that have it.
// A real modem's rows also hold its information pages ("I3") and say where
// each answer was found.
struct ClassQuery {
    std::string_view command;  // name and form, upper case: "+FRM=?"
    ClassSet classes;
    std::span<const std::string_view> answer;
    std::string_view source = {};
};

// Which values a real modem takes for one basic, & or \ command, whatever
// the shared table says; a command the shared table lacks is accepted and
// otherwise ignored.
using ValueSet = std::uint32_t;
struct SettingLimit {
    char prefix;  // '\0', '&' or '\\'
    char letter;
    ValueSet accepted;  // 0: the modem has no such command
    std::string_view source;
};

// An information page: the lines ATIn answers.
using Page = std::span<const std::string_view>;

struct Profile {
    std::string_view name;
    ClassSet classes;  // none: the modem knows no +FCLASS at all
    bool numericOnly;  // fixed to numeric result codes; V1 is accepted and ignored
    bool silent;       // reads everything and never says a word
    std::string_view product;       // the I3 line
    std::string_view capabilities;  // what the I4 page says about fax
    // A modem of its own: its class queries and information pages replace
    // the shared ones when given.
    std::span<const ClassQuery> queries = {};
    std::span<const Page> pages = {};
    // A real modem, from public documents: +FCLASS=? answers classList as
    // written, ATIn answers its "In" query row or ERROR, and settingLimits
    // overrule the shared commands.
    std::string_view classList = {};
    std::span<const SettingLimit> settingLimits = {};
    bool fromCorpus = false;
};
std::span<const Profile> Profiles();
// The real modems, named "real:NAME".
std::span<const Profile> RealProfiles();
// Every profile, the simulator's own first, then the real modems: what
// --profile takes, --list-profiles prints and --help describes.
std::vector<const Profile*> AllProfiles();
const Profile* FindProfile(std::string_view name);

enum class Result : std::uint8_t { Ok, Connect, Ring, NoCarrier, Error, NoDialtone, Busy, NoAnswer };
struct ResultWord {
    Result result;
    std::uint8_t code;  // the V0 form
    std::string_view word;  // the V1 form
};
const ResultWord& WordFor(Result result);

// Parameter values a command accepts, as a bit per value 0..31.
constexpr ValueSet Range(unsigned low, unsigned high) {
    ValueSet set = 0;
    for (unsigned value = low; value <= high; ++value) set |= 1u << value;
    return set;
}
constexpr ValueSet Values(std::initializer_list<unsigned> values) {
    ValueSet set = 0;
    for (unsigned value : values) set |= 1u << value;
    return set;
}

// What a basic, & or \ command does once its parameter has been accepted.
enum class Effect : std::uint8_t {
    Store,         // a setting: remembered and shown on the &V page
    Accept,        // answered OK and otherwise ignored
    Information,   // In: the information page n
    ShowSettings,  // &V
    Factory,       // &F: factory settings, the line goes on
    Reset,         // Z: factory settings, the rest of the line is ignored
    Answer,        // A: no line, so NO CARRIER, and the rest of the line is ignored
};

struct Setting {
    char prefix;  // '\0', '&' or '\\'
    char letter;
    ValueSet accepted;
    std::uint8_t factory;
    Effect effect;
};
std::span<const Setting> Settings();
// Index of the row in Settings(), or -1 when the modem has no such command.
int FindSetting(char prefix, char letter);

struct SRegister {
    std::uint8_t number;
    std::uint8_t factory;
};
std::span<const SRegister> SRegisters();
int FindSRegister(unsigned number);


// The shared class queries, for profiles without their own.
std::span<const ClassQuery> ClassQueries();

// Information pages I0..I7. A line "$PRODUCT" or "$CAPABILITIES" stands for
// the profile's own text.
std::span<const std::string_view> InformationPage(unsigned page);
inline constexpr unsigned kInformationPages = 8;

}  // namespace quillfen::modemsim
