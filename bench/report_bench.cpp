// SPDX-License-Identifier: MIT
// The capability report on a 10 MB log: a Fax Test All Modems log whose
// capability tests repeat until the file is that big, read and turned into
// both report forms. Target: under 0.2 s.
#include <chrono>
#include <cstdio>
#include <string>

#include "report/log_report.h"
#include "support/fixtures.h"

using namespace quillfen;

int main() {
    const std::string golden = test::ReadFile(std::string(QUILLFEN_TESTDATA_DIR) + "/capability_fax.log");
    const std::size_t from = golden.find("=*=*=*");
    const std::size_t to = golden.find("End Session");
    if (from == std::string::npos || to == std::string::npos) {
        std::printf("report on a 10 MB log: the golden log is missing\n");
        return 1;
    }
    const std::string head = golden.substr(0, from);
    const std::string test = golden.substr(from, to - from);
    std::string log = head;
    while (log.size() < 10u * 1024 * 1024)
        log += test;
    log += golden.substr(to);

    auto started = std::chrono::steady_clock::now();
    report::LogFacts facts = report::ReadLog(log);
    std::string text = report::FormatText(facts, "big.txt");
    std::string json = report::FormatJson(facts, "big.txt");
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf(
        "report on a %.1f MB log: %zu lines, %zu capability tests, %.3f s (%.0f MB/s), text %zu bytes, "
        "json %zu bytes (target < 0.2 s)\n",
        static_cast<double>(log.size()) / (1024 * 1024), static_cast<std::size_t>(facts.lines), facts.tests.size(),
        seconds, static_cast<double>(log.size()) / (1024 * 1024) / seconds, text.size(), json.size());
    return 0;
}
