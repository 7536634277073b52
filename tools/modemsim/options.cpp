// SPDX-License-Identifier: MIT
#include "options.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string_view>

namespace quillfen::modemsim {

namespace {

constexpr unsigned kHighestBaud = 4000000;

bool ReadUnsigned(std::string_view text, unsigned long long highest, unsigned long long& value) {
    if (text.empty()) return false;
    auto [end, status] = std::from_chars(text.data(), text.data() + text.size(), value);
    return status == std::errc() && end == text.data() + text.size() && value <= highest;
}

// What a profile answers, told from its own row so the help cannot drift
// from the table: its classes as +FCLASS=? would list them, or why it lists none.
std::string ProfileSummary(const Profile& profile) {
    if (profile.silent) return "reads everything, never answers";
    if (profile.classes == 0) return "knows no +FCLASS at all";
    std::string classes;
    for (const ServiceClass& serviceClass : ServiceClasses()) {
        if (profile.classes & serviceClass.bit) classes.append(classes.empty() ? "" : ", ").append(serviceClass.name);
    }
    std::string summary = (classes.find(',') == std::string::npos ? "class " : "classes ") + classes;
    if (profile.numericOnly) summary += "; numeric result codes only";
    return summary;
}

}  // namespace

bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    options.profile = FindProfile("fax");
    for (int i = 1; i < argc; ++i) {
        std::string_view option = argv[i];
        std::string_view value;
        bool inlineValue = false;
        if (std::size_t equals = option.find('='); option.starts_with("--") && equals != std::string_view::npos) {
            value = option.substr(equals + 1);
            option = option.substr(0, equals);
            inlineValue = true;
        }
        auto takeValue = [&]() {
            if (inlineValue) return true;
            if (i + 1 >= argc) {
                error = "option " + std::string(option) + " needs a value";
                return false;
            }
            value = argv[++i];
            return true;
        };
        auto badValue = [&](std::string_view wanted) {
            error = "bad value '" + std::string(value) + "' for " + std::string(option) + ": " +
                    std::string(wanted);
            return false;
        };

        unsigned long long number = 0;
        if ((option == "--help" || option == "-h") && !inlineValue) {
            options.help = true;
        } else if (option == "--version" && !inlineValue) {
            options.version = true;
        } else if (option == "--list-profiles" && !inlineValue) {
            options.listProfiles = true;
        } else if (option == "--noise" && !inlineValue) {
            options.noise = true;
        } else if (option == "--profile") {
            if (!takeValue()) return false;
            options.profile = FindProfile(value);
            if (!options.profile) {
                std::string names;
                for (const Profile* profile : AllProfiles())
                    names.append(names.empty() ? "" : ", ").append(profile->name);
                return badValue("one of " + names);
            }
        } else if (option == "--link") {
            if (!takeValue()) return false;
            if (value.empty()) return badValue("a path");
            options.link = value;
        } else if (option == "--baud") {
            if (!takeValue()) return false;
            if (!ReadUnsigned(value, kHighestBaud, number) || number < 10)
                return badValue("bits per second, 10 to " + std::to_string(kHighestBaud));
            options.baud = static_cast<unsigned>(number);
        } else if (option == "--seed") {
            if (!takeValue()) return false;
            if (!ReadUnsigned(value, UINT32_MAX, number)) return badValue("a number, 0 to 4294967295");
            options.seed = static_cast<std::uint32_t>(number);
        } else if (option == "--hangup-after") {
            if (!takeValue()) return false;
            if (!ReadUnsigned(value, 1000000000, number) || number == 0)
                return badValue("a number of commands, at least 1");
            options.hangupAfter = static_cast<unsigned>(number);
        } else if (option == "--transcript") {
            if (!takeValue()) return false;
            if (value.empty()) return badValue("a file name");
            options.transcript = value;
        } else {
            error = "unknown option '" + std::string(argv[i]) + "'";
            return false;
        }
    }
    return true;
}

std::string UsageText() {
    std::string text =
        "Usage: quillfen-modemsim [options]\n"
        "A Hayes modem on a pseudo-terminal. Prints the device path as its first\n"
        "line, then answers AT commands until SIGTERM, SIGINT or SIGHUP.\n"
        "\n"
        "  --profile NAME      the modem to be, one of the profiles below (default fax)\n"
        "  --link PATH         also make PATH a symlink to the device (removed at exit)\n"
        "  --baud N            send at most N bit/s, 10 bits a byte (default: no pacing)\n"
        "  --noise             add junk, fax frames, long lines and stray NUL/XON bytes\n"
        "  --seed N            seed for --noise, to repeat a run\n"
        "  --hangup-after N    close the line and exit after answering N commands\n"
        "  --transcript FILE   record every byte in (\"< \") and out (\"> \"), C-escaped\n"
        "  --list-profiles     print the profiles' names, one a line\n"
        "  --help              show this text\n"
        "  --version           show the version\n"
        "\n"
        "Profiles (real: a real modem as public documents show it):\n";
    const std::vector<const Profile*> profiles = AllProfiles();
    std::size_t width = 0;
    for (const Profile* profile : profiles) width = std::max(width, profile->name.size());
    for (const Profile* profile : profiles) {
        text.append("  ").append(profile->name).append(width + 2 - profile->name.size(), ' ');
        text.append(ProfileSummary(*profile)).push_back('\n');
    }
    text += "\n"
            "Try it: quillfen-modemsim --link /tmp/modem & picocom -b 2400 /tmp/modem\n"
            "then type ATI3 and Enter.\n";
    return text;
}

}  // namespace quillfen::modemsim
