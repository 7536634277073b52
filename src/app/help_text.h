// SPDX-License-Identifier: MIT
// The text of the help pane: 86 lines in five parts (who we are, purpose,
// how to, description, and one entry per command), each line ending in
// CR LF.
#pragma once

namespace quillfen {

extern const char HelpPaneText[];

}  // namespace quillfen
