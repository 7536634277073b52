#include "options.h"

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
                for (std::span<const Profile> table : {Profiles(), RealProfiles()})
                    for (const Profile& profile : table)
                        names += (names.empty() ? "" : ", ") + std::string(profile.name);
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
    return "Usage: quillfen-modemsim [options]\n"
           "A Hayes modem on a pseudo-terminal. Prints the device path as its first\n"
           "line, then answers AT commands until SIGTERM, SIGINT or SIGHUP.\n"
           "\n"
           "  --profile NAME      fax (classes 0,1,1.0,2,2.0; the default), class1 (0,1,1.0),\n"
           "                      data (0 only), numeric (always numeric result codes),\n"
           "                      silent (reads everything, never answers), and modems\n"
           "                      of their own: usbclass1 (a class 1 USB modem), v34fax\n"
           "                      (class 2.0 with V.34 fax), dataonly (no +FCLASS at all),\n"
           "                      and real:NAME, real modems as public documents show\n"
           "                      them (a wrong NAME lists them all)\n"
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
           "Try it: quillfen-modemsim --link /tmp/modem & picocom -b 2400 /tmp/modem\n"
           "then type ATI3 and Enter.\n";
}

}  // namespace quillfen::modemsim
