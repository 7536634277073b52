// SPDX-License-Identifier: MIT
// The report for machines: the same facts as the text, one to_json per
// kind of fact, with the keys the README's schema documents. The document is
// UTF-8; bytes of a log or a file name that are not UTF-8 become U+FFFD.
#include <nlohmann/json.hpp>

#include <array>
#include <utility>

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

// An object built key by key, each value moved in: an initializer list would
// copy every nested array once more at each level, and a report of a long
// log holds thousands of them. The members wait in place until Done, which
// gives the object exactly the room it needs: an object grown or reserved
// by guess costs a long report more in allocations than it saves.
// Keys are unique by construction, so they are appended without a search.
class Object {
public:
    Object& Add(const char* key, Json value) {
        members_.at(count_++) = {key, std::move(value)};
        return *this;
    }
    Json Done() {
        Json object = Json::object();
        auto& members = object.get_ref<Json::object_t&>();
        members.reserve(count_);
        for (std::size_t i = 0; i < count_; ++i) members.emplace_back(members_[i].first, std::move(members_[i].second));
        return object;
    }

private:
    static constexpr std::size_t MostMembers = 16;  // a capability test has 13
    std::array<std::pair<const char*, Json>, MostMembers> members_{};
    std::size_t count_ = 0;
};

}  // namespace

void to_json(Json& j, const Answer& page) {
    j = Object().Add("command", page.command).Add("outcome", NameOf(OutcomeNames, page.outcome)).Add("lines", page.lines).Done();
}

void to_json(Json& j, const Modulation& rate) {
    j = Object()
            .Add("code", rate.code)
            .Add("modulation", Nullable(rate.name))
            .Add("bitsPerSecond", rate.name.empty() ? Json(nullptr) : Json(rate.bitsPerSecond))
            .Done();
}

void to_json(Json& j, const ClassOneRates& rates) {
    Json fastest = nullptr;
    if (rates.fastest)
        fastest = Object().Add("modulation", rates.fastest->name).Add("bitsPerSecond", rates.fastest->bitsPerSecond).Done();
    j = Object().Add("transmit", rates.transmit).Add("receive", rates.receive).Add("fastest", std::move(fastest)).Done();
}

void to_json(Json& j, const FaxParameter& parameter) {
    j = Object().Add("name", parameter.name).Add("range", parameter.range).Add("meanings", parameter.meanings).Done();
}

void to_json(Json& j, const ClassTwoRanges& ranges) {
    j = Object()
            .Add("class", ranges.className)
            .Add("command", ranges.command)
            .Add("answer", ranges.answer)
            .Add("decoded", ranges.decoded)
            .Add("parameters", ranges.parameters)
            .Add("fastestBitsPerSecond", ranges.fastestBitsPerSecond)
            .Add("v34", ranges.v34)
            .Add("ecm", ranges.ecm)
            .Done();
}

void to_json(Json& j, const ClassVerdict& verdict) {
    j = Object()
            .Add("class", verdict.name)
            .Add("supported", verdict.status == ClassStatus::Accepted)
            .Add("status", NameOf(ClassStatusNames, verdict.status))
            .Done();
}

void to_json(Json& j, const FlowFamily& family) {
    j = Object()
            .Add("family", family.family)
            .Add("accepted", family.accepted)
            .Add("refused", family.refused)
            .Add("noAnswer", family.noAnswer)
            .Done();
}

void to_json(Json& j, const BatteryCount& battery) {
    j = Object()
            .Add("class", battery.className)
            .Add("ok", battery.ok)
            .Add("error", battery.refused)
            .Add("noAnswer", battery.noAnswer)
            .Add("timedOut", battery.timedOut)
            .Add("aborted", battery.aborted)
            .Done();
}

void to_json(Json& j, const Oddity& oddity) {
    j = Object().Add("kind", NameOf(OddityNames, oddity.kind)).Add("text", oddity.text).Done();
}

void to_json(Json& j, const ProgramSetting& setting) {
    j = Object()
            .Add("program", setting.program)
            .Add("class", Nullable(setting.className))
            .Add("setting", setting.setting)
            .Add("manual", Nullable(setting.manual))
            .Done();
}

void to_json(Json& j, const Verdict& verdict) {
    Json alternative = nullptr;
    if (!verdict.alternativeClass.empty())
        alternative = Object().Add("class", verdict.alternativeClass).Add("reason", verdict.alternativeReason).Done();
    j = Object()
            .Add("class", Nullable(verdict.faxClass))
            .Add("reason", verdict.reason)
            .Add("alternative", std::move(alternative))
            .Add("settings", verdict.settings)
            .Add("provisional", !verdict.untried.empty())
            .Add("untried", verdict.untried)
            .Done();
}

void to_json(Json& j, const CapabilityTest& test) {
    j = Object()
            .Add("port", test.port)
            .Add("time", Nullable(test.time))
            .Add("identity", Object()
                                 .Add("maker", Nullable(test.maker))
                                 .Add("model", Nullable(test.model))
                                 .Add("revision", Nullable(test.revision))
                                 .Add("information", test.information)
                                 .Done())
            .Add("classes", Object().Add("offered", test.offered).Add("verdicts", test.verdicts).Done())
            .Add("class1", test.classOne ? Json(*test.classOne) : Json(nullptr))
            .Add("class2", test.classTwo)
            .Add("flowControl", Object()
                                    .Add("families", test.flowControl)
                                    .Add("convention", Nullable(test.convention))
                                    .Add("hardware", Nullable(test.hardwareFlowControl))
                                    .Add("software", Nullable(test.softwareFlowControl))
                                    .Done())
            .Add("batteries", test.batteries)
            .Add("oddities", test.oddities)
            .Add("complete", test.complete)
            .Add("aborted", test.aborted)
            .Add("stoppedAnsweringAfter", Nullable(test.stoppedAfter))
            .Add("verdict", test.verdict)
            .Done();
}

void to_json(Json& j, const PortScan& scan) {
    j = Object()
            .Add("port", scan.port)
            .Add("opened", scan.opened)
            .Add("modemAnswered",
                 scan.presence == Presence::NotProbed ? Json(nullptr) : Json(scan.presence == Presence::Answered))
            .Done();
}

std::string FormatJson(const LogFacts& facts, std::string_view fileName) {
    Json log = Object()
                   .Add("file", std::string(fileName))
                   .Add("ended", facts.ended)
                   .Add("lines", facts.lines)
                   .Add("scans", facts.scans)
                   .Add("tests", Json::array())
                   .Done();
    // The tests go in one at a time, each tree freed once written: a long
    // scan's log holds thousands, and one tree of them all costs more to
    // build than to write.
    std::string out = log.dump(-1, ' ', false, Json::error_handler_t::replace);
    constexpr std::string_view EmptyTail = "]}";
    out.resize(out.size() - EmptyTail.size());
    for (std::size_t i = 0; i < facts.tests.size(); ++i) {
        if (i) out += ',';
        out += Json(facts.tests[i]).dump(-1, ' ', false, Json::error_handler_t::replace);
    }
    out += EmptyTail;
    return out;
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
