// SPDX-License-Identifier: MIT
// WriteLog throughput to the log file: typical IN and OUT lines and a plain
// block, each one unbuffered write, with no pane attached.
#include <chrono>
#include <cstdio>

#include "log/session_log.h"
#include "support/fixtures.h"
#include "support/scripted_host.h"

using namespace quillfen;

int main() {
    test::TempDir dir;
    test::ScopedChdir cwd(dir.Path());
    test::ScriptedHost host;
    host.hasPane = false;
    SessionLog log(host);
    log.OpenSessionLog();

    constexpr int Entries = 200000;
    const auto started = std::chrono::steady_clock::now();
    for (int i = 0; i < Entries; i += 4) {
        log.WriteLog("AT+FCLASS=?\r", LogKind::Out, AsLine::Yes);
        log.WriteLog("AT+FCLASS=?", LogKind::In, AsLine::Yes);
        log.WriteLog("0,1,2,2.0", LogKind::In, AsLine::Yes);
        log.WriteLog("Reset the modem:\r\n", LogKind::Plain, AsLine::No);
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const double bytes = static_cast<double>(log.LogLength());
    log.CloseSessionLog();
    std::printf("WriteLog to file: %d entries in %.3f s, %.0f entries/s, %.1f MB/s\n", Entries, seconds,
                Entries / seconds, bytes / seconds / 1e6);
    return 0;
}
