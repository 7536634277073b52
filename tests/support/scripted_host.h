// A host for tests: queues message-box answers, records what it was shown,
// keeps the log pane as a string, counts pumps and can run a callback at the
// n-th pump (to press Abort in the middle of a wait).
#pragma once

#include <deque>
#include <functional>
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
    void PromptForPort() override { ++portPrompts; }
    void FocusCommandEdit() override { ++commandEditFocus; }
    void SetControlsEnabled(bool enabled) override;

    // Answers for the next boxes, in order; Ok or Cancel when none is queued.
    std::deque<BoxAnswer> answers;
    std::vector<ShownBox> boxes;
    std::vector<std::string> notes;
    std::string pane;
    bool hasPane = true;
    int selection = -1;
    long pumps = 0;
    int portPrompts = 0;
    int commandEditFocus = 0;
    std::vector<bool> enabledHistory;
    bool controlsEnabled = true;

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
