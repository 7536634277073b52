// SPDX-License-Identifier: MIT
// The lists inside a modem's answers, read the same way wherever they
// stand: a leading "+NAME:" or "+NAME=" is dropped, parentheses and blanks
// only group, and a range "0-2" stands for every value in it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "report/log_report.h"

namespace quillfen::report {

// "+FDIS: (0,1),(0-5)" -> "(0,1),(0-5)"; anything else as it is.
std::string_view StripParameterName(std::string_view answer);

// The items of a list with its ranges expanded: "(0-2),8" -> 0, 1, 2, 8.
std::vector<std::string> ExpandList(std::string_view answer);

// A class 1 +FTM=?/+FRM=? answer as modulations; a range keeps the codes
// the table knows inside it.
std::vector<Modulation> DecodeRates(std::string_view answer);

// A class 2 or 2.0 range list. When the answer cannot be read without
// guessing, nothing is decoded and problem says why.
ClassTwoRanges DecodeRanges(std::string_view command, std::string_view className, std::string_view answer,
                            std::string& problem);

}  // namespace quillfen::report
