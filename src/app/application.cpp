#include "app/application.h"

namespace quillfen {

namespace {
constexpr char EmptyCommandMessage[] = "Please Type in a Modem Command";
constexpr unsigned TypedCommandTimeout = 5;  // seconds
}  // namespace

Application::Application(Host& host, PortNames& names)
    : host_(host),
      log_(host),
      port_(host, log_, names),
      engine_(host, log_, port_),
      procedures_(log_, port_, engine_) {}

void Application::Start() {
    log_.OpenSessionLog();
    log_.ReportFileFailure();
}

void Application::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The port's closed line must come before the end line.
    port_.ClosePort();
    log_.CloseSessionLog();
}

template <typename Action>
void Application::RunBusy(Action action) {
    engine_.AbortRequested = 0;
    // Disabling moves the focus off the port list, which closes the port
    // before the action opens one; only then does the action count as running.
    host_.SetControlsEnabled(false);
    busy_ = true;
    action();
    busy_ = false;
    host_.SetControlsEnabled(true);
    // Outside every write, so the box cannot run inside one.
    log_.ReportFileFailure();
}

void Application::Send(std::string_view text) {
    RunBusy([&] {
        if (port_.EnsurePortOpen() == 0) return;
        std::size_t length = 0;
        while (length < text.size() && length < TypedCommandLimit && text[length] != '\0') {
            typedCommand_[length] = text[length];
            ++length;
        }
        typedCommand_[length] = '\0';
        if (length == 0) {
            host_.ShowMessageBox(EmptyCommandMessage, BoxIcon::Information, BoxButtons::Ok);
            host_.FocusCommandEdit();
            return;
        }
        engine_.SendCommand(typedCommand_, TypedCommandTimeout);
    });
}

void Application::FindAllModems() {
    RunBusy([&] { procedures_.ScanPorts(0); });
}

void Application::FaxTestSelectModem() {
    RunBusy([&] {
        if (port_.EnsurePortOpen() == 1) procedures_.RunCapabilityTest();
    });
}

void Application::FaxTestAllModems() {
    RunBusy([&] { procedures_.ScanPorts(1); });
}

void Application::AbortEvent() { engine_.AbortRequested = 1; }

void Application::Exit() {
    engine_.AbortRequested = 1;
    exitRequested_ = true;
}

void Application::HandlePortListChange() {
    // The list is disabled while an action runs; never pull the port from
    // under one.
    if (busy_) return;
    port_.ClosePort();
}

}  // namespace quillfen
