// The host seam: the core's only way to reach a front end.
// The core is single-threaded; every wait hands control back through
// PumpEvents so the window (or terminal) stays alive. Message boxes always
// carry the caption "Quillfen". A front end with no log pane ignores
// InsertLogText. Nothing here names a toolkit or an OS type.
#pragma once

#include <cstdint>
#include <string_view>

namespace quillfen {

inline constexpr std::string_view ProductName = "Quillfen";
inline constexpr std::string_view ProductVersion = "09.05.01";

enum class BoxIcon { Information, Question, Stop };
enum class BoxButtons { Ok, RetryCancel };
enum class BoxAnswer { Ok, Retry, Cancel };

class Host {
public:
    virtual ~Host() = default;

    // Run every pending UI event once, then return. Handlers may set the
    // abort flag from in here.
    virtual void PumpEvents() = 0;

    // Modal message box captioned "Quillfen"; returns the button pressed.
    virtual BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) = 0;

    // A remark for the user that is not part of the log: who holds a port
    // that was refused, which group may open it. One line, no line end. A
    // front end with nowhere to show it ignores it.
    virtual void ShowNote(std::string_view) {}

    // Put text into the log pane at a character position. There may be no pane.
    virtual void InsertLogText(std::int32_t position, std::string_view text) = 0;

    // Zero-based index of the port chosen in the port list, or -1 for none.
    virtual int PortSelection() = 0;

    // After "Please Select a Modem/COM-Port": drop the port list down and focus it.
    virtual void PromptForPort() {}

    // After "Please Type in a Modem Command": focus the command edit.
    virtual void FocusCommandEdit() {}

    // Enable (true) or disable (false) the busy set: the port list, the four
    // action buttons and the copy, About and Open Help menu items. Disabling
    // moves the focus to the log pane.
    virtual void SetControlsEnabled(bool enabled) = 0;
};

}  // namespace quillfen
