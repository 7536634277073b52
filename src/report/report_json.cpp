// The report for machines: the same facts as the text, one to_json per
// kind of fact, with the keys the README's schema documents. The document is
// UTF-8; bytes of a log or a file name that are not UTF-8 become U+FFFD.
#include <nlohmann/json.hpp>

#include "report/log_report.h"

namespace quillfen::report {

namespace {

// Keys in the order the README lists them, so a person reading the output finds them there.
using Json = nlohmann::ordered_json;

constexpr std::string_view OddityNames[] = {"aborted", "cut short", "line noise", "timeout", "odd answer"};
constexpr std::string_view OutcomeNames[] = {"ok", "refused", "no answer", "aborted"};
constexpr std::string_view ClassStatusNames[] = {"accepted", "refused", "no answer"};

template <typename Enum, std::size_t N>
std::string_view NameOf(const std::string_view (&names)[N], Enum value) {
    const auto index = static_cast<std::size_t>(value);
    return index < N ? names[index] : std::string_view();
}

Json Nullable(const std::string& text) { return text.empty() ? Json(nullptr) : Json(text); }

template <typename T>
Json Nullable(const std::optional<T>& value) {
    return value ? Json(*value) : Json(nullptr);
}

}  // namespace

void to_json(Json& j, const Answer& page) {
    j = {{"command", page.command}, {"outcome", NameOf(OutcomeNames, page.outcome)}, {"lines", page.lines}};
}

void to_json(Json& j, const Modulation& rate) {
    j = {{"code", rate.code},
         {"modulation", Nullable(rate.name)},
         {"bitsPerSecond", rate.name.empty() ? Json(nullptr) : Json(rate.bitsPerSecond)}};
}

void to_json(Json& j, const ClassOneRates& rates) {
    j = {{"transmit", rates.transmit}, {"receive", rates.receive}, {"fastest", nullptr}};
    if (rates.fastest)
        j["fastest"] = {{"modulation", rates.fastest->name}, {"bitsPerSecond", rates.fastest->bitsPerSecond}};
}

void to_json(Json& j, const FaxParameter& parameter) {
    j = {{"name", parameter.name}, {"range", parameter.range}, {"meanings", parameter.meanings}};
}

void to_json(Json& j, const ClassTwoRanges& ranges) {
    j = {{"class", ranges.className},
         {"command", ranges.command},
         {"answer", ranges.answer},
         {"decoded", ranges.decoded},
         {"parameters", ranges.parameters},
         {"fastestBitsPerSecond", ranges.fastestBitsPerSecond},
         {"v34", ranges.v34},
         {"ecm", ranges.ecm}};
}

void to_json(Json& j, const ClassVerdict& verdict) {
    j = {{"class", verdict.name},
         {"supported", verdict.status == ClassStatus::Accepted},
         {"status", NameOf(ClassStatusNames, verdict.status)}};
}

void to_json(Json& j, const FlowFamily& family) {
    j = {{"family", family.family},
         {"accepted", family.accepted},
         {"refused", family.refused},
         {"noAnswer", family.noAnswer}};
}

void to_json(Json& j, const BatteryCount& battery) {
    j = {{"class", battery.className}, {"ok", battery.ok},           {"error", battery.refused},
         {"noAnswer", battery.noAnswer}, {"timedOut", battery.timedOut}, {"aborted", battery.aborted}};
}

void to_json(Json& j, const Oddity& oddity) {
    j = {{"kind", NameOf(OddityNames, oddity.kind)}, {"text", oddity.text}};
}

void to_json(Json& j, const ProgramSetting& setting) {
    j = {{"program", setting.program},
         {"class", Nullable(setting.className)},
         {"setting", setting.setting},
         {"manual", Nullable(setting.manual)}};
}

void to_json(Json& j, const Verdict& verdict) {
    j = {{"class", Nullable(verdict.faxClass)},
         {"reason", verdict.reason},
         {"alternative", nullptr},
         {"settings", verdict.settings},
         {"provisional", !verdict.untried.empty()},
         {"untried", verdict.untried}};
    if (!verdict.alternativeClass.empty())
        j["alternative"] = {{"class", verdict.alternativeClass}, {"reason", verdict.alternativeReason}};
}

void to_json(Json& j, const CapabilityTest& test) {
    j = {{"port", test.port},
         {"time", Nullable(test.time)},
         {"identity",
          {{"maker", Nullable(test.maker)},
           {"model", Nullable(test.model)},
           {"revision", Nullable(test.revision)},
           {"information", test.information}}},
         {"classes", {{"offered", test.offered}, {"verdicts", test.verdicts}}},
         {"class1", test.classOne ? Json(*test.classOne) : Json(nullptr)},
         {"class2", test.classTwo},
         {"flowControl",
          {{"families", test.flowControl},
           {"convention", Nullable(test.convention)},
           {"hardware", Nullable(test.hardwareFlowControl)},
           {"software", Nullable(test.softwareFlowControl)}}},
         {"batteries", test.batteries},
         {"oddities", test.oddities},
         {"complete", test.complete},
         {"aborted", test.aborted},
         {"stoppedAnsweringAfter", Nullable(test.stoppedAfter)},
         {"verdict", test.verdict}};
}

void to_json(Json& j, const PortScan& scan) {
    j = {{"port", scan.port},
         {"opened", scan.opened},
         {"modemAnswered", scan.presence == Presence::NotProbed ? Json(nullptr)
                                                                : Json(scan.presence == Presence::Answered)}};
}

std::string FormatJson(const LogFacts& facts, std::string_view fileName) {
    Json log = {{"file", std::string(fileName)},
                {"ended", facts.ended},
                {"lines", facts.lines},
                {"scans", facts.scans},
                {"tests", facts.tests}};
    return log.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string JsonDocument(const std::vector<std::string>& logObjects) {
    // The objects are finished documents already; they are placed, not parsed again.
    std::string out = "{\"logs\":[";
    for (std::size_t i = 0; i < logObjects.size(); ++i) {
        if (i) out += ",\n";
        out += logObjects[i];
    }
    out += "]}\n";
    return out;
}

}  // namespace quillfen::report
