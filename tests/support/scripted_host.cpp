#include "support/scripted_host.h"

namespace quillfen::test {

void ScriptedHost::PumpEvents() {
    ++pumps;
    if (callback_ && pumps == callbackAt_) {
        auto action = std::move(callback_);
        callback_ = nullptr;
        action();
    }
    if (onEveryPump && onEveryPump()) onEveryPump = nullptr;
}

BoxAnswer ScriptedHost::ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) {
    boxes.push_back({std::string(text), icon, buttons});
    if (onBox) onBox(boxes.back());
    if (!answers.empty()) {
        BoxAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    return buttons == BoxButtons::RetryCancel ? BoxAnswer::Cancel : BoxAnswer::Ok;
}

void ScriptedHost::InsertLogText(std::int32_t position, std::string_view text) {
    if (!hasPane) return;
    if (position < 0 || static_cast<std::size_t>(position) > pane.size()) position = static_cast<std::int32_t>(pane.size());
    pane.insert(static_cast<std::size_t>(position), text);
}

void ScriptedHost::SetControlsEnabled(bool enabled) {
    controlsEnabled = enabled;
    enabledHistory.push_back(enabled);
}

void ScriptedHost::AtPump(long atPump, std::function<void()> action) {
    callbackAt_ = atPump;
    callback_ = std::move(action);
}

}  // namespace quillfen::test
