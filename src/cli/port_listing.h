// SPDX-License-Identifier: MIT
// `quillfen-cli ports`: the machine's serial devices as a table for stdout.
// Owns nothing; the devices and their COM numbers come from PortNames after
// Discover. A caller may rely on: every device found is listed with every COM
// number that opens it (and, when an open would be refused, why), an empty
// machine gets a clear sentence instead, and every COM number the user placed
// a device behind follows with where that came from.
#pragma once

#include <string>

#include "serial/port_names.h"

namespace quillfen::cli {

std::string FormatPortListing(const PortNames& names);

}  // namespace quillfen::cli
