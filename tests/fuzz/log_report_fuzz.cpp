// Fuzz target for the log report: whatever bytes a file holds, reading it
// ends, every test found names a port, and both report forms are made; the
// JSON stays printable ASCII with its braces and brackets balanced outside
// strings, so any JSON reader takes it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

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

    std::string json = FormatJson(facts, "fuzz");
    int depth = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : json) {
        auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F) std::abort();
        if (inString) {
            if (escaped) {
                escaped = false;
            } else if (c == '\\') {
                escaped = true;
            } else if (c == '"') {
                inString = false;
            }
            continue;
        }
        if (c == '"') inString = true;
        if (c == '{' || c == '[') ++depth;
        if (c == '}' || c == ']') --depth;
        if (depth < 0) std::abort();
    }
    if (depth != 0 || inString) std::abort();
    return 0;
}
