// SPDX-License-Identifier: MIT
// The class ranking follows HylaFAX's faxaddmodem: class 1.0, 1, 2.1, 2.0,
// then 2. Class 1 leaves the fax protocol to the host's software, where its
// faults can be mended; a modem's class 2 firmware cannot be. The class 2
// family stays the alternative for hosts that cannot answer the modem within
// class 1's few tens of milliseconds (efax(1): "Class 1 modems should
// therefore not be used on systems that cannot guarantee ... 55
// milliseconds").
#include "report/verdict.h"

#include <algorithm>
#include <span>

#include "procedures/capability_script.h"
#include "report/capability_tables.h"

namespace quillfen::report {

namespace {

bool IsClassOneFamily(std::string_view name) { return name == "1" || name == "1.0"; }

// What the verdict weighs, gathered once from a test's facts.
struct Evidence {
    const CapabilityTest& test;
    const ClassTwoRanges* twoZero = nullptr;  // the class 2.0 ranges, when decoded
    unsigned classOneSpeed = 0;

    const ClassVerdict* Find(std::string_view name) const {
        for (const ClassVerdict& verdict : test.verdicts)
            if (verdict.name == name) return &verdict;
        return nullptr;
    }
    bool Accepted(std::string_view name) const {
        const ClassVerdict* verdict = Find(name);
        return verdict && verdict->status == ClassStatus::Accepted;
    }
    bool Offered(std::string_view name) const {
        return std::find(test.offered.begin(), test.offered.end(), name) != test.offered.end();
    }
    // A class the fax software can use: one the modem switched to, or a
    // standard form it lists beside a class it switched to. The test never
    // switches to 2.1, so the list is all there is for it.
    bool Available(std::string_view name) const {
        if (name == "1.0") return Accepted("1") && Offered("1.0");
        if (name == "2.1") return Offered("2.1");
        return Accepted(name);
    }
    bool MultiTech() const {
        std::string text = test.maker + " " + test.model;
        std::transform(text.begin(), text.end(), text.begin(), [](char c) {
            return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        });
        return text.find("MULTI-TECH") != std::string::npos || text.find("MULTITECH") != std::string::npos ||
               test.convention == "Multi-Tech";
    }
};

std::string ClassTwoFeatures(const Evidence& e) {
    if (!e.twoZero) return {};
    if (!e.twoZero->ecm) return ", without ECM";
    std::string text = ", with ECM";
    if (e.twoZero->v34) text += " and V.34 fax up to " + std::to_string(e.twoZero->fastestBitsPerSecond) + " bit/s";
    return text;
}

std::string Speed(const Evidence& e) {
    return e.classOneSpeed ? ", up to " + std::to_string(e.classOneSpeed) + " bit/s" : std::string();
}

// Why each class, when it is the choice.
struct ClassReason {
    std::string_view name;
    std::string (*reason)(const Evidence&);
};
constexpr ClassReason ChoiceReasons[] = {
    {"1.0", [](const Evidence& e) {
         return "the standard form of class 1 (T.31): the fax software drives every page" + Speed(e);
     }},
    {"1", [](const Evidence& e) {
         return "the fax software drives every page; every fax program supports it" + Speed(e);
     }},
    {"2.1", [](const Evidence&) {
         return std::string("the modem runs the fax protocol itself, with V.34 fax (listed by +FCLASS=?, not switched "
                            "to by the test)");
     }},
    {"2.0", [](const Evidence& e) { return "the modem runs the fax protocol itself" + ClassTwoFeatures(e); }},
    {"2", [](const Evidence&) {
         return std::string("only the pre-standard class 2 was accepted; choose a class 2 driver, not 2.0");
     }},
};

// Why there is no class, first match wins.
struct NoClassRule {
    bool (*applies)(const Evidence&);
    std::string (*reason)(const Evidence&);
};
constexpr NoClassRule NoClassRules[] = {
    {[](const Evidence& e) { return !e.test.stoppedAfter.empty(); },
     [](const Evidence& e) {
         return "the modem stopped answering after " + e.test.stoppedAfter +
                ", before any fax class was accepted; run the test again";
     }},
    {[](const Evidence& e) { return e.test.aborted || !e.test.complete; },
     [](const Evidence&) { return std::string("the test ended before the fax classes were tried; run it again"); }},
    {[](const Evidence& e) {
         return !e.test.verdicts.empty() &&
                std::all_of(e.test.verdicts.begin(), e.test.verdicts.end(),
                            [](const ClassVerdict& v) { return v.status == ClassStatus::NoAnswer; });
     },
     [](const Evidence&) {
         return std::string("no class command got an answer: there is no modem, or it answers only in numeric codes");
     }},
    {[](const Evidence& e) { return e.Accepted("0"); },
     [](const Evidence&) { return std::string("the modem accepted no fax class: it is a data modem"); }},
    {[](const Evidence& e) { return e.test.offered.empty() && !e.test.verdicts.empty(); },
     [](const Evidence&) {
         return std::string("the modem knows no +FCLASS command: a data-only modem that no fax software can use");
     }},
    {[](const Evidence&) { return true; },
     [](const Evidence&) { return std::string("the modem accepted no class at all, not even data class 0"); }},
};

std::string AlternativeReason(const Evidence& e, std::string_view choice, std::string_view alternative) {
    std::string text = "class " + std::string(alternative) + " is also " +
                       (alternative == "2.1" ? "offered" : "accepted");
    if (IsClassOneFamily(choice)) {
        if (alternative == "2.0") text += ClassTwoFeatures(e);
        return text + ": prefer it on a host that can't keep class 1's timing (a busy server, a USB link, a "
                      "terminal server)";
    }
    return text + ": for fax software that has no class " + std::string(choice) + " driver";
}

// Multi-Tech documents firmware that offers MMR in class 2.0 and corrupts
// it (HylaFAX's config/lucent-mt-20).
std::string MultiTechWarning(const Evidence& e) {
    if (!e.twoZero || !e.MultiTech()) return {};
    for (const FaxParameter& parameter : e.twoZero->parameters) {
        if (std::find(parameter.meanings.begin(), parameter.meanings.end(), "MMR (T.6)") != parameter.meanings.end())
            return "; Multi-Tech firmware claims MMR in class 2.0 and corrupts it: keep MMR off";
    }
    return {};
}

std::vector<std::string> UntriedClasses(const Evidence& e) {
    std::vector<std::string> untried;
    if (e.test.complete && !e.test.aborted) return untried;
    for (const script::Step& step : script::CapabilityScript) {
        if (step.kind != script::StepKind::ClassBlock) continue;
        std::string_view name = script::ClassNameOf(*step.faxClass);
        const ClassVerdict* verdict = e.Find(name);
        if (!verdict || verdict->status == ClassStatus::NoAnswer) untried.emplace_back(name);
    }
    return untried;
}

std::vector<ProgramSetting> SettingsFor(const Evidence& e) {
    std::vector<ProgramSetting> settings;
    for (const tables::FaxProgram& program : tables::FaxPrograms()) {
        ProgramSetting chosen;
        chosen.program = std::string(program.program);
        chosen.setting = std::string(program.noClass);
        for (std::string_view name : tables::ClassRanking()) {
            if (!e.Available(name)) continue;
            auto row = std::find_if(tables::ProgramSettings().begin(), tables::ProgramSettings().end(),
                                    [&](const tables::ProgramSetting& r) {
                                        return r.program == program.program && r.className == name;
                                    });
            if (row == tables::ProgramSettings().end()) continue;
            chosen.className = std::string(name);
            chosen.setting = std::string(row->setting);
            chosen.manual = std::string(row->manual);
            break;
        }
        settings.push_back(std::move(chosen));
    }
    return settings;
}

}  // namespace

void Recommend(CapabilityTest& test) {
    Evidence evidence{test};
    for (const ClassTwoRanges& ranges : test.classTwo)
        if (ranges.className == "2.0" && ranges.decoded) evidence.twoZero = &ranges;
    if (test.classOne && test.classOne->fastest) evidence.classOneSpeed = test.classOne->fastest->bitsPerSecond;

    Verdict& verdict = test.verdict;
    verdict = Verdict{};
    verdict.untried = UntriedClasses(evidence);

    std::span<const std::string_view> ranking = tables::ClassRanking();
    auto choice = std::find_if(ranking.begin(), ranking.end(), [&](std::string_view n) { return evidence.Available(n); });
    if (choice == ranking.end()) {
        for (const NoClassRule& rule : NoClassRules) {
            if (!rule.applies(evidence)) continue;
            verdict.reason = rule.reason(evidence);
            break;
        }
        return;
    }
    verdict.faxClass = std::string(*choice);
    for (const ClassReason& row : ChoiceReasons)
        if (row.name == *choice) verdict.reason = row.reason(evidence);

    // The alternative comes from the other family when there is one, else it
    // is the next class down.
    auto alternative = std::find_if(ranking.begin(), ranking.end(), [&](std::string_view n) {
        return evidence.Available(n) && !IsClassOneFamily(n) && n != *choice;
    });
    if (alternative != ranking.end() && (IsClassOneFamily(*choice) || alternative > choice)) {
        verdict.alternativeClass = std::string(*alternative);
        verdict.alternativeReason = AlternativeReason(evidence, *choice, *alternative);
    }
    std::string warning = MultiTechWarning(evidence);
    if (verdict.faxClass == "2.0") verdict.reason += warning;
    if (verdict.alternativeClass == "2.0") verdict.alternativeReason += warning;
    verdict.settings = SettingsFor(evidence);
}

}  // namespace quillfen::report
