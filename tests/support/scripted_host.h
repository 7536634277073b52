// SPDX-License-Identifier: MIT
// A host for tests: queues message-box answers, records what it was shown
// and the progress it was told, keeps the log pane as a string, records
// what the dispatch asked of the window (enabled controls, focus, help,
// copies, posted commands), counts pumps and can run a callback at the n-th
// pump (to press Abort in the middle of a wait).
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "host/host.h"

namespace quillfen::test {

struct ShownBox {
    std::string text;
    BoxIcon icon;
    BoxButtons buttons;
};

class ScriptedHost : public Host {
public:
    void PumpEvents() override;
    BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override;
    void InsertLogText(std::int32_t position, std::string_view text) override;
    int PortSelection() override { return selection; }
    void ShowNote(std::string_view text) override { notes.emplace_back(text); }
    void ShowProgress(const Progress& now) override { progress.push_back(now); }
    void PromptForPort() override {
        ++portPrompts;
        if (!controlsEnabled) ++portPromptsWhileGrayed;
    }
    std::size_t ReadCommandText(char* buffer, std::size_t size) override;
    void EnableControl(std::uint16_t controlId, bool enabled) override;
    void EnableMenuItem(std::uint16_t commandId, bool enabled) override { menuItems[commandId] = enabled; }
    void FocusControl(std::uint16_t controlId) override {
        focus.push_back(controlId);
        if (onFocus) onFocus(controlId);
    }
    void ShowAbout() override { ++abouts; }
    void OpenHelp() override { ++helpOpens; }
    void CloseHelp() override { ++helpCloses; }
    void OpenReport(std::string_view text) override { reports.emplace_back(text); }
    void CopyLog(CopyScope scope) override { copies.push_back(scope); }
    void CopyReport(CopyScope scope) override { reportCopies.push_back(scope); }
    void PostCommand(std::uint16_t commandId) override { posted.push_back(commandId); }
    void EndWindow() override { ++windowEnds; }

    // Hands the posted commands to dispatch, oldest first; a pump does this too.
    void RunPosted();

    // Answers for the next boxes, in order; Ok or Cancel when none is queued.
    std::deque<BoxAnswer> answers;
    std::vector<ShownBox> boxes;
    std::vector<std::string> notes;
    std::vector<Progress> progress;
    std::string pane;
    bool hasPane = true;
    // Where the log put its latest entry, with or without a pane.
    std::int32_t lastPosition = -1;
    int selection = -1;
    std::string commandText;
    long pumps = 0;
    int portPrompts = 0;
    int portPromptsWhileGrayed = 0;
    std::map<std::uint16_t, bool> controls;
    std::map<std::uint16_t, bool> menuItems;
    // Each switch of the busy set, as seen on the port list.
    std::vector<bool> enabledHistory;
    bool controlsEnabled = true;
    std::vector<std::uint16_t> focus;
    // Called after each focus move (a window's port list reports losing it).
    std::function<void(std::uint16_t)> onFocus;
    int abouts = 0;
    int helpOpens = 0;
    int helpCloses = 0;
    std::vector<CopyScope> copies;
    std::vector<std::string> reports;
    std::vector<CopyScope> reportCopies;
    std::deque<std::uint16_t> posted;
    int windowEnds = 0;
    // Where posted commands go (usually the application's DispatchCommand).
    std::function<void(std::uint16_t)> dispatch;

    // Runs once, at the pump whose 1-based number is atPump.
    void AtPump(long atPump, std::function<void()> action);
    // Runs as each box is shown, before it is answered.
    std::function<void(const ShownBox&)> onBox;
    // Runs at every pump; return true to stop being called.
    std::function<bool()> onEveryPump;

private:
    long callbackAt_ = 0;
    std::function<void()> callback_;
};

}  // namespace quillfen::test
