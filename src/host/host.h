// SPDX-License-Identifier: MIT
// The host seam: the core's only way to reach a front end.
// The core is single-threaded; every wait hands control back through
// PumpEvents so the window (or terminal) stays alive. Message boxes always
// carry the caption "Quillfen". Controls and menu items are named by their
// command ids (app/command_ids.h). The window's methods do nothing unless a
// front end with a window overrides them. Nothing here names a toolkit or an
// OS type.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "host/version.h"

namespace quillfen {

inline constexpr std::string_view ProductName = "Quillfen";
inline constexpr std::string_view ProductVersion = QUILLFEN_PRODUCT_VERSION;
// The same version as packages number it: "9.5.1".
inline constexpr std::string_view PackageVersion = QUILLFEN_PACKAGE_VERSION;

enum class BoxIcon { Information, Question, Stop };
enum class BoxButtons { Ok, RetryCancel };
enum class BoxAnswer { Ok, Retry, Cancel };

// What a copy to the clipboard takes from the log pane.
enum class CopyScope { AllOfLog, Selection };

// The steps of an action a progress display tells apart.
enum class Phase { Opening, Probing, Testing, FaxClass };

struct Progress {
    Phase phase = Phase::Opening;
    std::string_view faxClass;  // while phase is FaxClass: "0", "1", "2" or "2.0"
    unsigned comNumber = 0;     // the port opened, or being opened
    unsigned commands = 0;      // commands sent since the action began
    // A modem hung up or went away during the action: the commands left get
    // no answer. Told with the first command that found it gone.
    bool hungUp = false;
    unsigned commandsBeforeHangUp = 0;
};

class Host {
public:
    virtual ~Host() = default;

    // Run every pending UI event once, then return. Handlers may dispatch
    // commands from in here (Abort Event, Exit).
    virtual void PumpEvents() = 0;

    // Modal message box captioned "Quillfen"; returns the button pressed.
    virtual BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) = 0;

    // A remark for the user that is not part of the log: who holds a port
    // that was refused, which group may open it. One line, no line end. A
    // front end with nowhere to show it ignores it.
    virtual void ShowNote(std::string_view) {}

    // Where the running action stands, told each time it moves on: for a
    // front end that shows progress instead of the log (a bank's line per
    // port) or remarks on it (a hang-up). A window ignores it.
    virtual void ShowProgress(const Progress& /*progress*/) {}

    // Put text into the log pane at a character position. There may be no pane.
    virtual void InsertLogText(std::int32_t position, std::string_view text) = 0;

    // Zero-based index of the port chosen in the port list, or -1 for none.
    virtual int PortSelection() = 0;

    // After "Please Select a Modem/COM-Port": drop the port list down and
    // focus it. Called only while the list is enabled.
    virtual void PromptForPort() {}

    // The command edit's text: at most size - 1 bytes into buffer, always
    // terminated. Returns how many bytes were stored.
    virtual std::size_t ReadCommandText(char* buffer, std::size_t size) = 0;

    // Enable or disable (gray) one control, or one menu item, by its id.
    virtual void EnableControl(std::uint16_t /*controlId*/, bool /*enabled*/) {}
    virtual void EnableMenuItem(std::uint16_t /*commandId*/, bool /*enabled*/) {}
    // Give the keyboard focus to a control.
    virtual void FocusControl(std::uint16_t /*controlId*/) {}
    // Make a push button the default one, which Enter presses while the
    // focus is on no push button.
    virtual void SetDefaultButton(std::uint16_t /*controlId*/) {}

    // The About box, modal; returns when it is closed.
    virtual void ShowAbout() {}
    // Put the help pane over the log pane, at the log pane's place; and
    // remove it again, showing the log where the window's size puts it.
    virtual void OpenHelp() {}
    virtual void CloseHelp() {}
    // Put the report pane, holding text (CR LF lines), over the log pane
    // the way the help pane goes there; CloseHelp removes it again.
    virtual void OpenReport(std::string_view /*text*/) {}
    // Copy from the log pane to the clipboard; CopyReport from the report pane.
    virtual void CopyLog(CopyScope /*scope*/) {}
    virtual void CopyReport(CopyScope /*scope*/) {}

    // Queue a command to be dispatched after the current event, by whichever
    // loop runs next (the idle window's or a running action's waits).
    virtual void PostCommand(std::uint16_t commandId) = 0;

    // The session is over (port closed, log ended): close the window and let
    // the program end once control is back in its own loop.
    virtual void EndWindow() {}
};

}  // namespace quillfen
