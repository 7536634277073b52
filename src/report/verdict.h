// SPDX-License-Identifier: MIT
// The verdict on one capability test: the fax class to configure, the
// alternative and when to prefer it, what HylaFAX, mgetty and efax should be
// told, and which classes the test never tried.
#pragma once

#include "report/log_report.h"

namespace quillfen::report {

void Recommend(CapabilityTest& test);

}  // namespace quillfen::report
