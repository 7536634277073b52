// SPDX-License-Identifier: MIT
// The report for people: one labelled line per fact, in the order a reader
// of the log meets them. Every fact and every verdict is settled by the
// reader; this only words them.
#include <algorithm>
#include <cstdio>

#include "report/log_report.h"

namespace quillfen::report {

namespace {

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
        for (std::size_t j = 0; j < speeds[i].size(); ++j) text += (j ? ", " : " ") + std::to_string(speeds[i][j]);
    }
    if (!unknown.empty()) text += (text.empty() ? "" : "; ") + std::string("unknown codes ") + Join(unknown, ", ");
    return text.empty() ? std::string("none") : text;
}

// "  Label:" padded to the value's column; a longer label pushes it right.
void Field(std::string& out, std::string_view label, std::string_view value) {
    constexpr std::size_t LabelWidth = 20;
    out += "  ";
    std::size_t width = 0;
    if (!label.empty()) {
        out += label;
        out += ':';
        width = label.size() + 1;
    }
    if (width < LabelWidth) out.append(LabelWidth - width, ' ');
    out += ' ';
    out += value;
    out += '\n';
}

std::string ClassesLine(const CapabilityTest& test) {
    std::vector<std::string> accepted, refused, silent;
    for (const ClassVerdict& verdict : test.verdicts) {
        (verdict.status == ClassStatus::Accepted  ? accepted
         : verdict.status == ClassStatus::Refused ? refused
                                                  : silent)
            .push_back(verdict.name);
    }
    std::string text = "accepted " + (accepted.empty() ? std::string("none") : Join(accepted, ", "));
    if (!refused.empty()) text += "; refused " + Join(refused, ", ");
    if (!silent.empty()) text += "; no answer to " + Join(silent, ", ");
    text += "; +FCLASS=? lists " + (test.offered.empty() ? std::string("nothing") : Join(test.offered, ","));
    return text;
}

std::string PageText(const Answer& page) {
    switch (page.outcome) {
    case Outcome::Refused: return "refused";
    case Outcome::NoAnswer: return "no answer";
    case Outcome::Aborted: return "aborted";
    case Outcome::Ok: break;
    }
    return page.lines.empty() ? "(no text)" : Join(page.lines, " | ");
}

std::string FlowKnown(const std::optional<bool>& known) {
    if (!known) return "unknown";
    return *known ? "accepted" : "not accepted";
}

std::string Provisional(const Verdict& verdict) {
    if (verdict.untried.empty()) return {};
    return " (provisional: " + std::string(verdict.untried.size() == 1 ? "class " : "classes ") +
           Join(verdict.untried, ", ") + " not tried)";
}

void VerdictText(std::string& out, const Verdict& verdict) {
    Field(out, "Verdict",
          (verdict.faxClass.empty() ? "no fax class to configure: " + verdict.reason
                                    : "configure fax software for class " + verdict.faxClass + ": " + verdict.reason) +
              Provisional(verdict));
    if (!verdict.alternativeClass.empty()) Field(out, "Alternative", verdict.alternativeReason);
    for (const ProgramSetting& setting : verdict.settings)
        Field(out, setting.program, setting.setting + (setting.manual.empty() ? "" : " [" + setting.manual + "]"));
}

void TestText(std::string& out, const CapabilityTest& test) {
    Field(out, "Port", test.port + (test.time.empty() ? std::string() : ", " + test.time));
    std::string identity;
    if (!test.maker.empty()) identity += "maker " + test.maker;
    if (!test.model.empty()) identity += (identity.empty() ? "" : ", ") + std::string("model ") + test.model;
    if (!test.revision.empty()) identity += (identity.empty() ? "" : ", ") + std::string("revision ") + test.revision;
    Field(out, "Identity", identity.empty() ? "not answered to any identity query; see the ATI answers" : identity);
    for (const Answer& page : test.information) Field(out, page.command, PageText(page));
    Field(out, "Classes", ClassesLine(test));
    for (const std::string& name : test.offered) {
        std::string_view description = ClassDescription(name);
        if (!description.empty()) Field(out, "  " + name, description);
    }

    if (test.classOne) {
        const bool standard = std::find(test.offered.begin(), test.offered.end(), "1.0") != test.offered.end();
        const std::string label = standard ? "Class 1/1.0" : "Class 1";
        Field(out, label + " send", DescribeRates(test.classOne->transmit));
        Field(out, label + " receive", DescribeRates(test.classOne->receive));
        if (const std::optional<Modulation>& best = test.classOne->fastest)
            Field(out, "Class 1 fastest", best->name + " " + std::to_string(best->bitsPerSecond) + " bit/s");
    }
    for (const ClassTwoRanges& ranges : test.classTwo) {
        Field(out, "Class " + ranges.className,
              ranges.command.substr(2) + " " + ranges.answer + (ranges.decoded ? "" : " (not decoded)"));
        for (const FaxParameter& parameter : ranges.parameters) {
            std::string meanings = parameter.meanings.empty() ? "none known"
                                   : parameter.lowestOnly     ? "down to " + parameter.meanings.front()
                                                              : Join(parameter.meanings, ", ");
            Field(out, "  " + parameter.name, meanings);
        }
    }

    std::string kinds = test.flowControl.empty() ? std::string("not tested")
                                                 : "hardware " + FlowKnown(test.hardwareFlowControl) + ", software " +
                                                       FlowKnown(test.softwareFlowControl) +
                                                       (test.convention.empty()
                                                            ? std::string(" (no maker named, so no meanings given)")
                                                            : " (as " + test.convention + " documents them)");
    Field(out, "Flow control", kinds);
    for (const FlowFamily& family : test.flowControl) {
        Field(out, "  " + family.family,
              family.accepted.empty() ? std::string("none accepted") : "accepted " + Join(family.accepted, ", "));
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
        for (const Oddity& oddity : test.oddities) Field(out, "Oddity", oddity.text);
    }
    VerdictText(out, test.verdict);
}

std::string ScanText(const PortScan& scan) {
    if (!scan.opened) return "could not be opened";
    switch (scan.presence) {
    case Presence::Answered: return "opened; a modem answered";
    case Presence::Silent: return "opened; no modem answered";
    case Presence::NotProbed: break;
    }
    return "opened; the probe did not finish";
}

}  // namespace

std::string FormatText(const LogFacts& facts, std::string_view fileName, bool sessionOpen) {
    std::string out;
    out += "Report on " + std::string(fileName) + ": ";
    out += std::to_string(facts.tests.size()) + " capability test(s)";
    if (!facts.scans.empty()) out += ", " + std::to_string(facts.scans.size()) + " port(s) scanned";
    if (sessionOpen) {
        out += "; the session is still open";
    } else if (!facts.ended) {
        out += "; the log has no End Session line, so it was cut short";
    }
    out += '\n';
    for (const PortScan& scan : facts.scans) Field(out, "Scanned " + scan.port, ScanText(scan));
    for (const CapabilityTest& test : facts.tests) TestText(out, test);
    return out;
}

std::string FormatSummaryLine(const LogFacts& facts, std::string_view fileName) {
    if (facts.tests.empty()) {
        std::string out = std::string(fileName) + ": no capability test";
        for (std::size_t i = 0; i < facts.scans.size(); ++i)
            out += (i ? "; " : "; scanned ") + facts.scans[i].port + " " + ScanText(facts.scans[i]);
        return out + "\n";
    }
    std::string out;
    for (const CapabilityTest& test : facts.tests) {
        out += test.port + " " + std::string(fileName) + ": ";
        out += test.aborted ? "aborted" : test.complete ? "tested" : "cut short";
        out += "; classes " + ClassesLine(test) + "; ";
        out += test.verdict.faxClass.empty() ? "no fax class" : "best fax class " + test.verdict.faxClass;
        out += Provisional(test.verdict);
        out += '\n';
    }
    return out;
}

}  // namespace quillfen::report
