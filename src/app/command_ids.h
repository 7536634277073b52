// SPDX-License-Identifier: MIT
// The ids of the main window's controls and menu items, shared by every
// front end and by the dispatch. A native window uses them as its control
// and command ids; other front ends translate their events into them.
// The busy set (what an action grays) is listed here once.
#pragma once

#include <array>
#include <cstdint>

namespace quillfen::id {

// The standard Cancel command: Escape, or a dialog's answer to a close request.
inline constexpr std::uint16_t Cancel = 2;

inline constexpr std::uint16_t PortList = 1001;
inline constexpr std::uint16_t FindAllModems = 1002;
inline constexpr std::uint16_t FaxTestSelectModem = 1003;
inline constexpr std::uint16_t FaxTestAllModems = 1004;
inline constexpr std::uint16_t Send = 1005;
inline constexpr std::uint16_t CommandEdit = 1006;
inline constexpr std::uint16_t AbortEvent = 1007;
inline constexpr std::uint16_t LogPane = 1008;
inline constexpr std::uint16_t HelpPane = 1009;
// The report pane, like the help pane made only while it is shown.
inline constexpr std::uint16_t ReportPane = 1010;

inline constexpr std::uint16_t CopyAllOfLog = 32771;
inline constexpr std::uint16_t CopySelectedText = 32772;
inline constexpr std::uint16_t About = 32773;
inline constexpr std::uint16_t OpenHelp = 32774;
inline constexpr std::uint16_t CloseHelp = 32775;
inline constexpr std::uint16_t Exit = 32776;
// The menu bar's "&Report", beside Help: the report of this session's log.
inline constexpr std::uint16_t Report = 32777;

// The dialog's default push button, the one Enter presses when the focus is
// on no push button; while the command edit has the focus, Send is.
inline constexpr std::uint16_t DefaultButton = FaxTestAllModems;

// What an action grays while it runs (and Open Help while the help is shown):
// everything that could start another action, copy, open help or the report,
// or show About.
inline constexpr std::array<std::uint16_t, 5> BusySetControls = {PortList, FindAllModems, FaxTestSelectModem,
                                                                 FaxTestAllModems, Send};
inline constexpr std::array<std::uint16_t, 5> BusySetMenuItems = {CopyAllOfLog, CopySelectedText, About, OpenHelp,
                                                                  Report};

}  // namespace quillfen::id

namespace quillfen {

// The notification code that comes with a command id. Buttons and menu items
// send Clicked; the port list's three notifications close the port; the
// command edit's focus notifications move the default button.
enum class Notification : std::uint16_t {
    Clicked = 0,
    SelectionChange = 1,  // a new entry was chosen
    DropDown = 7,         // the list was opened
    KillFocus = 8,        // the list lost the keyboard focus
    EditSetFocus = 0x0100,   // the edit got the keyboard focus
    EditKillFocus = 0x0200,  // the edit lost it
};

}  // namespace quillfen
