// SPDX-License-Identifier: MIT
#include "support/scripted_host.h"

#include <cstring>

#include "app/command_ids.h"

namespace quillfen::test {

void ScriptedHost::PumpEvents() {
    ++pumps;
    RunPosted();
    if (callback_ && pumps == callbackAt_) {
        auto action = std::move(callback_);
        callback_ = nullptr;
        action();
    }
    if (onEveryPump && onEveryPump()) onEveryPump = nullptr;
}

void ScriptedHost::RunPosted() {
    while (dispatch && !posted.empty()) {
        std::uint16_t commandId = posted.front();
        posted.pop_front();
        dispatch(commandId);
    }
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
    lastPosition = position;
    if (!hasPane) return;
    if (position < 0 || static_cast<std::size_t>(position) > pane.size()) position = static_cast<std::int32_t>(pane.size());
    pane.insert(static_cast<std::size_t>(position), text);
}

std::size_t ScriptedHost::ReadCommandText(char* buffer, std::size_t size) {
    if (size == 0) return 0;
    std::size_t length = commandText.size() < size - 1 ? commandText.size() : size - 1;
    std::memcpy(buffer, commandText.data(), length);
    buffer[length] = '\0';
    return length;
}

void ScriptedHost::EnableControl(std::uint16_t controlId, bool enabled) {
    controls[controlId] = enabled;
    if (controlId != id::PortList) return;
    controlsEnabled = enabled;
    enabledHistory.push_back(enabled);
}

void ScriptedHost::AtPump(long atPump, std::function<void()> action) {
    callbackAt_ = atPump;
    callback_ = std::move(action);
}

}  // namespace quillfen::test
