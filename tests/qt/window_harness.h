// SPDX-License-Identifier: MIT
// A main window for tests: started in a temporary directory (so the log
// file lands there), with every modal dialog answered from a queue and
// recorded instead of waiting for a user.
#pragma once

#include <QByteArray>
#include <QMessageBox>
#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "qt/main_window.h"
#include "serial/port_names.h"
#include "support/fixtures.h"

namespace quillfen::qt::test {

struct ShownBox {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QWidget* owner = nullptr;
};

class WindowHarness {
public:
    explicit WindowHarness(const QByteArray& argumentText = {});

    // Map a COM number to a device before Start().
    void Map(unsigned comNumber, const std::string& device) { names.Map(comNumber, device); }
    // Find the devices of a machine the test built, before Start().
    void UseMachine(const DeviceRoots& roots) {
        names = PortNames(roots);
        names.Discover();
    }
    // The window's start-up; waits until it is active, so focus moves count.
    void Start();

    MainWindow& Window() { return *window_; }
    QWidget* Control(int controlId) { return window_->Control(controlId); }
    QAction* MenuItem(int commandId) { return window_->MenuItem(commandId); }

    // The log file as written so far, and the pane's text.
    std::string LogFile() const;
    QString Pane() const;

    // Answers for the next message boxes; Ok or Cancel when none is queued.
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<ShownBox> boxes;
    // Called with every modal dialog before it is answered.
    std::function<void(QDialog&)> onModal;

    quillfen::test::TempDir dir;

private:
    quillfen::test::ScopedChdir chdir_;
    PortNames names;
    std::unique_ptr<MainWindow> window_;
};

// Runs the action once, from inside the event loop (that is, from inside a
// running action's waits), as soon as the condition holds. Gives up with
// the context object.
void RunWhen(QObject* context, std::function<bool()> condition, std::function<void()> action);

// The file's text with its CR LF line ends as the pane shows them.
QString AsPaneText(const std::string& fileText);

}  // namespace quillfen::qt::test
