// The report's two forms: plain sentences for people, JSON for machines.
// Both show the same facts; the JSON keys are the ones the README documents.
#include <algorithm>
#include <cstdio>

#include "report/log_report.h"

namespace quillfen::report {

namespace {

constexpr std::string_view OutcomeNames[] = {"aborted", "cut short", "line noise", "timeout"};

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
    std::string text;
    for (const std::string& item : items) {
        if (!text.empty()) text += separator;
        text += item;
    }
    return text;
}

// "V.27ter 2400, 4800; V.29 7200, 9600; V.17 7200 to 14400" from a rate list.
std::string DescribeRates(const std::vector<Modulation>& rates) {
    std::vector<std::string> families;
    std::vector<std::vector<unsigned>> speeds;
    std::vector<std::string> unknown;
    for (const Modulation& rate : rates) {
        if (rate.name.empty()) {
            unknown.push_back(std::to_string(rate.code));
            continue;
        }
        auto found = std::find(families.begin(), families.end(), rate.name);
        std::size_t index = static_cast<std::size_t>(found - families.begin());
        if (found == families.end()) {
            families.push_back(rate.name);
            speeds.emplace_back();
        }
        if (std::find(speeds[index].begin(), speeds[index].end(), rate.bitsPerSecond) == speeds[index].end())
            speeds[index].push_back(rate.bitsPerSecond);
    }
    std::string text;
    for (std::size_t i = 0; i < families.size(); ++i) {
        if (i) text += "; ";
        text += families[i];
        for (std::size_t j = 0; j < speeds[i].size(); ++j)
            text += (j ? ", " : " ") + std::to_string(speeds[i][j]);
    }
    if (!unknown.empty()) text += (text.empty() ? "" : "; ") + std::string("unknown codes ") + Join(unknown, ", ");
    return text.empty() ? std::string("none") : text;
}

const Modulation* Fastest(const std::vector<Modulation>& rates) {
    const Modulation* best = nullptr;
    for (const Modulation& rate : rates)
        if (rate.bitsPerSecond > 0 && (!best || rate.bitsPerSecond > best->bitsPerSecond)) best = &rate;
    return best;
}

std::string ClassTwoName(const ClassTwoRanges& ranges) {
    return ranges.command == "AT+FDIS=?" || ranges.command == "AT+FDCC=?" ? "2" : "2.0";
}

void Field(std::string& out, std::string_view label, std::string_view value) {
    char head[32];
    std::snprintf(head, sizeof head, "  %-20s ", (label.empty() ? std::string() : std::string(label) + ":").c_str());
    out += head;
    out += value;
    out += '\n';
}

bool Supported(const CapabilityTest& test, std::string_view name) {
    for (const ClassVerdict& verdict : test.verdicts)
        if (verdict.name == name) return verdict.supported;
    return false;
}

std::string ClassesLine(const CapabilityTest& test) {
    std::vector<std::string> yes, no;
    for (const ClassVerdict& verdict : test.verdicts)
        (verdict.supported ? yes : no).push_back(verdict.name);
    std::string text = "accepted " + (yes.empty() ? std::string("none") : Join(yes, ", "));
    if (!no.empty()) text += "; refused " + Join(no, ", ");
    text += "; +FCLASS=? lists " + (test.offered.empty() ? std::string("nothing") : Join(test.offered, ","));
    return text;
}

void TestText(std::string& out, const CapabilityTest& test) {
    Field(out, "Port", test.port + (test.time.empty() ? std::string() : ", " + test.time));
    std::string identity;
    if (!test.maker.empty()) identity += "maker " + test.maker;
    if (!test.model.empty()) identity += (identity.empty() ? "" : ", ") + std::string("model ") + test.model;
    if (!test.revision.empty()) identity += (identity.empty() ? "" : ", ") + std::string("revision ") + test.revision;
    Field(out, "Identity", identity.empty() ? "not answered to any identity query; see the ATI answers" : identity);
    for (const Answer& page : test.information) {
        std::string lines = page.lines.empty() ? "(no text)" : Join(page.lines, " | ");
        Field(out, page.command, lines);
    }
    Field(out, "Classes", ClassesLine(test));
    for (const std::string& name : test.offered) {
        std::string_view description = ClassDescription(name);
        if (!description.empty()) Field(out, "  " + name, description);
    }

    bool classOne = Supported(test, "1");
    if (test.haveClassOne) {
        std::string label = classOne && std::find(test.offered.begin(), test.offered.end(), "1.0") != test.offered.end()
                                ? "Class 1/1.0"
                                : "Class 1";
        Field(out, label + " send", DescribeRates(test.classOne.transmit));
        Field(out, label + " receive", DescribeRates(test.classOne.receive));
        const Modulation* best = Fastest(test.classOne.transmit);
        if (best) Field(out, "Class 1 fastest", best->name + " " + std::to_string(best->bitsPerSecond) + " bit/s");
    }
    for (const ClassTwoRanges& ranges : test.classTwo) {
        std::string label = "Class " + ClassTwoName(ranges);
        Field(out, label, ranges.command.substr(2) + " " + ranges.answer);
        for (const FaxParameter& parameter : ranges.parameters) {
            std::string meanings = parameter.meanings.empty() ? "none known"
                                   : parameter.lowestOnly     ? "down to " + parameter.meanings.front()
                                                              : Join(parameter.meanings, ", ");
            Field(out, "  " + parameter.name, meanings);
        }
    }

    std::string kinds = test.flowControl.empty()
                            ? std::string("not tested")
                            : std::string("hardware ") + (test.hardwareFlowControl ? "accepted" : "not accepted") +
                                  ", software " + (test.softwareFlowControl ? "accepted" : "not accepted");
    Field(out, "Flow control", kinds);
    for (const FlowFamily& family : test.flowControl) {
        Field(out, "  " + family.family,
              family.accepted.empty() ? std::string("none accepted") : Join(family.accepted, ", "));
    }

    for (const BatteryCount& battery : test.batteries) {
        char counts[96];
        std::snprintf(counts, sizeof counts, "%u OK, %u ERROR, %u no answer", battery.ok, battery.refused,
                      battery.noAnswer);
        std::string line = counts;
        if (!battery.timedOut.empty()) line += " (timed out: " + Join(battery.timedOut, ", ") + ")";
        if (battery.aborted) line += ", stopped by an abort";
        Field(out, "Battery class " + battery.className, line);
    }
    if (test.oddities.empty()) {
        Field(out, "Oddities", "none");
    } else {
        for (const Oddity& oddity : test.oddities)
            Field(out, "Oddity", oddity.text);
    }
    Field(out, "Verdict",
          test.bestClass.empty() ? "no fax class to configure: " + test.reason
                                 : "configure fax software for class " + test.bestClass + ": " + test.reason);
}

void JsonString(std::string& out, std::string_view text) {
    out += '"';
    for (char c : text) {
        auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte >= 0x7F) {
            // Log text is single-byte; anything outside ASCII is kept as the
            // same code point so the document stays valid UTF-8.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", byte);
            out += escape;
        } else {
            out += c;
        }
    }
    out += '"';
}

void JsonStrings(std::string& out, const std::vector<std::string>& items) {
    out += '[';
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ',';
        JsonString(out, items[i]);
    }
    out += ']';
}

void JsonKey(std::string& out, std::string_view key) {
    JsonString(out, key);
    out += ':';
}

void JsonRates(std::string& out, const std::vector<Modulation>& rates) {
    out += '[';
    for (std::size_t i = 0; i < rates.size(); ++i) {
        if (i) out += ',';
        out += "{\"code\":" + std::to_string(rates[i].code) + ",\"modulation\":";
        if (rates[i].name.empty()) {
            out += "null,\"bitsPerSecond\":null}";
        } else {
            JsonString(out, rates[i].name);
            out += ",\"bitsPerSecond\":" + std::to_string(rates[i].bitsPerSecond) + "}";
        }
    }
    out += ']';
}

void JsonOptional(std::string& out, std::string_view key, const std::string& value) {
    JsonKey(out, key);
    if (value.empty()) {
        out += "null";
    } else {
        JsonString(out, value);
    }
}

void TestJson(std::string& out, const CapabilityTest& test) {
    out += '{';
    JsonKey(out, "port");
    JsonString(out, test.port);
    out += ',';
    JsonOptional(out, "time", test.time);
    out += ",\"identity\":{";
    JsonOptional(out, "maker", test.maker);
    out += ',';
    JsonOptional(out, "model", test.model);
    out += ',';
    JsonOptional(out, "revision", test.revision);
    out += ",\"information\":[";
    for (std::size_t i = 0; i < test.information.size(); ++i) {
        if (i) out += ',';
        out += "{\"command\":";
        JsonString(out, test.information[i].command);
        out += ",\"lines\":";
        JsonStrings(out, test.information[i].lines);
        out += '}';
    }
    out += "]},\"classes\":{\"offered\":";
    JsonStrings(out, test.offered);
    out += ",\"verdicts\":[";
    for (std::size_t i = 0; i < test.verdicts.size(); ++i) {
        if (i) out += ',';
        out += "{\"class\":";
        JsonString(out, test.verdicts[i].name);
        out += std::string(",\"supported\":") + (test.verdicts[i].supported ? "true" : "false") + "}";
    }
    out += "]},\"class1\":";
    if (test.haveClassOne) {
        out += "{\"transmit\":";
        JsonRates(out, test.classOne.transmit);
        out += ",\"receive\":";
        JsonRates(out, test.classOne.receive);
        out += ",\"fastest\":";
        const Modulation* best = Fastest(test.classOne.transmit);
        if (best) {
            out += "{\"modulation\":";
            JsonString(out, best->name);
            out += ",\"bitsPerSecond\":" + std::to_string(best->bitsPerSecond) + "}}";
        } else {
            out += "null}";
        }
    } else {
        out += "null";
    }
    out += ",\"class2\":[";
    for (std::size_t i = 0; i < test.classTwo.size(); ++i) {
        const ClassTwoRanges& ranges = test.classTwo[i];
        if (i) out += ',';
        out += "{\"class\":";
        JsonString(out, ClassTwoName(ranges));
        out += ",\"command\":";
        JsonString(out, ranges.command);
        out += ",\"answer\":";
        JsonString(out, ranges.answer);
        out += ",\"parameters\":[";
        for (std::size_t j = 0; j < ranges.parameters.size(); ++j) {
            if (j) out += ',';
            out += "{\"name\":";
            JsonString(out, ranges.parameters[j].name);
            out += ",\"range\":";
            JsonString(out, ranges.parameters[j].range);
            out += ",\"meanings\":";
            JsonStrings(out, ranges.parameters[j].meanings);
            out += '}';
        }
        out += "],\"fastestBitsPerSecond\":" + std::to_string(ranges.fastestBitsPerSecond);
        out += std::string(",\"v34\":") + (ranges.v34 ? "true" : "false");
        out += std::string(",\"ecm\":") + (ranges.ecm ? "true" : "false") + "}";
    }
    out += "],\"flowControl\":{\"families\":[";
    for (std::size_t i = 0; i < test.flowControl.size(); ++i) {
        const FlowFamily& family = test.flowControl[i];
        if (i) out += ',';
        out += "{\"family\":";
        JsonString(out, family.family);
        out += ",\"accepted\":";
        JsonStrings(out, family.accepted);
        out += ",\"refused\":";
        JsonStrings(out, family.refused);
        out += ",\"noAnswer\":";
        JsonStrings(out, family.noAnswer);
        out += '}';
    }
    out += std::string("],\"hardware\":") + (test.hardwareFlowControl ? "true" : "false");
    out += std::string(",\"software\":") + (test.softwareFlowControl ? "true" : "false") + "},\"batteries\":[";
    for (std::size_t i = 0; i < test.batteries.size(); ++i) {
        const BatteryCount& battery = test.batteries[i];
        if (i) out += ',';
        out += "{\"class\":";
        JsonString(out, battery.className);
        out += ",\"ok\":" + std::to_string(battery.ok) + ",\"error\":" + std::to_string(battery.refused) +
               ",\"noAnswer\":" + std::to_string(battery.noAnswer) + ",\"timedOut\":";
        JsonStrings(out, battery.timedOut);
        out += std::string(",\"aborted\":") + (battery.aborted ? "true" : "false") + "}";
    }
    out += "],\"oddities\":[";
    for (std::size_t i = 0; i < test.oddities.size(); ++i) {
        if (i) out += ',';
        out += "{\"kind\":";
        JsonString(out, OutcomeNames[static_cast<std::size_t>(test.oddities[i].kind)]);
        out += ",\"text\":";
        JsonString(out, test.oddities[i].text);
        out += '}';
    }
    out += std::string("],\"complete\":") + (test.complete ? "true" : "false");
    out += std::string(",\"aborted\":") + (test.aborted ? "true" : "false");
    out += ",\"verdict\":{";
    JsonOptional(out, "class", test.bestClass);
    out += ",\"reason\":";
    JsonString(out, test.reason);
    out += "}}";
}

}  // namespace

std::string FormatText(const LogFacts& facts, std::string_view fileName) {
    std::string out;
    out += "Report on " + std::string(fileName) + ": ";
    out += std::to_string(facts.tests.size()) + " capability test(s)";
    out += facts.ended ? "" : "; the log has no End Session line, so it was cut short";
    out += '\n';
    for (const CapabilityTest& test : facts.tests)
        TestText(out, test);
    return out;
}

std::string FormatSummaryLine(const LogFacts& facts, std::string_view fileName) {
    if (facts.tests.empty()) return std::string(fileName) + ": no capability test\n";
    std::string out;
    for (const CapabilityTest& test : facts.tests) {
        out += test.port + " " + std::string(fileName) + ": ";
        out += test.aborted ? "aborted" : test.complete ? "tested" : "cut short";
        out += "; classes " + ClassesLine(test) + "; ";
        out += test.bestClass.empty() ? "no fax class" : "best fax class " + test.bestClass;
        out += '\n';
    }
    return out;
}

std::string FormatJson(const LogFacts& facts, std::string_view fileName) {
    std::string out = "{\"file\":";
    JsonString(out, fileName);
    out += std::string(",\"ended\":") + (facts.ended ? "true" : "false");
    out += ",\"lines\":" + std::to_string(facts.lines) + ",\"tests\":[";
    for (std::size_t i = 0; i < facts.tests.size(); ++i) {
        if (i) out += ',';
        TestJson(out, facts.tests[i]);
    }
    out += "]}";
    return out;
}

std::string JsonDocument(const std::vector<std::string>& logObjects) {
    std::string out = "{\"logs\":[";
    for (std::size_t i = 0; i < logObjects.size(); ++i) {
        if (i) out += ",\n";
        out += logObjects[i];
    }
    out += "]}\n";
    return out;
}

}  // namespace quillfen::report
