// SPDX-License-Identifier: MIT
// The Qt host: how the core reaches the desktop program. Waits pump Qt's
// events without blocking; message boxes are owned by the main window and
// captioned "Quillfen"; log text goes into the log pane. Every modal dialog
// runs through one replaceable runner, so tests answer boxes instead of
// waiting on them.
#pragma once

#include <QDialog>
#include <QMessageBox>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "host/host.h"

namespace quillfen::qt {

class MainWindow;

// Runs a modal dialog and returns its result (for a message box, the
// standard button pressed). The default runs exec().
using ModalRunner = std::function<int(QDialog&)>;

// The message box as the core asks for it: owner, caption, icon, buttons.
std::unique_ptr<QMessageBox> BuildMessageBox(QWidget* owner, std::string_view text, BoxIcon icon,
                                             BoxButtons buttons);
BoxAnswer AnswerFor(int standardButton);

class QtHost : public Host {
public:
    explicit QtHost(MainWindow& window) : window_(window) {}

    void PumpEvents() override;
    BoxAnswer ShowMessageBox(std::string_view text, BoxIcon icon, BoxButtons buttons) override;
    void InsertLogText(std::int32_t position, std::string_view text) override;
    // Kept for the message box that follows at once (a refused port's), as
    // one more line; dropped at the next pump when no box follows.
    void ShowNote(std::string_view text) override { note_.assign(text); }
    int PortSelection() override;
    void PromptForPort() override;
    std::size_t ReadCommandText(char* buffer, std::size_t size) override;
    void EnableControl(std::uint16_t controlId, bool enabled) override;
    void EnableMenuItem(std::uint16_t commandId, bool enabled) override;
    void FocusControl(std::uint16_t controlId) override;
    void SetDefaultButton(std::uint16_t controlId) override;
    void ShowAbout() override;
    void OpenHelp() override;
    void CloseHelp() override;
    void OpenReport(std::string_view text) override;
    void CopyLog(CopyScope scope) override;
    void CopyReport(CopyScope scope) override;
    void PostCommand(std::uint16_t commandId) override;
    void EndWindow() override;

private:
    MainWindow& window_;
    std::string note_;
};

}  // namespace quillfen::qt
