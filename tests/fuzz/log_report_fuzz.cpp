// SPDX-License-Identifier: MIT
// Fuzz target for the log report: whatever bytes a file holds, reading it
// ends, every test found names a port, and both report forms are made; the
// JSON is valid UTF-8 JSON, so any JSON reader takes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include <nlohmann/json.hpp>

#include "report/log_report.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quillfen::report;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    LogFacts facts = ReadLog(bytes);
    for (const CapabilityTest& test : facts.tests) {
        if (test.port.size() < 4 || test.port.compare(0, 3, "COM") != 0) std::abort();
    }
    std::string text = FormatText(facts, "fuzz");
    if (text.empty()) std::abort();
    FormatSummaryLine(facts, "fuzz");

    // Whatever bytes the log held, the document is JSON a strict reader
    // takes: UTF-8 throughout, strings escaped, brackets balanced.
    if (!nlohmann::json::accept(FormatJson(facts, "fuzz\xff.txt"))) std::abort();
    return 0;
}
