// SPDX-License-Identifier: MIT
#include "cli/simulator_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

#include "modemsim/modem_tables.h"
#include "cli/posix/interrupt_signals_posix.h"

namespace quillfen::cli {
namespace {

constexpr std::string_view SimulatorName = "quillfen-modemsim";
// Generous: a sanitizer build on a busy machine starts slowly.
constexpr auto StartLimit = std::chrono::seconds(20);
constexpr auto StopLimit = std::chrono::seconds(5);
// A pty path is short; anything longer is not one.
constexpr std::size_t DevicePathLimit = 4096;

bool IsExecutable(const std::string& path) { return !path.empty() && access(path.c_str(), X_OK) == 0; }

// Runs in the forked child; only async-signal-safe calls until exec.
[[noreturn]] void ExecSimulator(const char* path, char* const* argv, int outFd, pid_t parent,
                                const sigset_t& childMask) {
    // A session of its own: a terminal's Ctrl-C reaches only us, and the
    // simulator can make its pty its controlling terminal. A Ctrl-C that
    // reached us both before this point is dropped, not delivered later.
    setsid();
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ignore, nullptr);
    // Should this program be killed outright, the simulator goes with it.
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(127);
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaults, nullptr);
    sigaction(SIGINT, &defaults, nullptr);
    sigprocmask(SIG_SETMASK, &childMask, nullptr);
    if (dup2(outFd, STDOUT_FILENO) < 0) _exit(127);
    int nullFd = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (nullFd >= 0) dup2(nullFd, STDIN_FILENO);
    execv(path, argv);
    _exit(127);
}

}  // namespace

std::string FindSimulator() {
    char self[PATH_MAX];
    ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length > 0) {
        std::string dir(self, static_cast<std::size_t>(length));
        std::size_t slash = dir.rfind('/');
        if (slash != std::string::npos) {
            std::string beside = dir.substr(0, slash + 1) + std::string(SimulatorName);
            if (IsExecutable(beside)) return beside;
        }
    }
    const char* path = std::getenv("PATH");
    std::string_view rest = path ? path : "";
    while (!rest.empty()) {
        std::size_t colon = rest.find(':');
        std::string_view dir = rest.substr(0, colon);
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        std::string candidate = std::string(dir.empty() ? "." : dir) + "/" + std::string(SimulatorName);
        if (IsExecutable(candidate)) return candidate;
    }
    return {};
}

SimulatorProcess::~SimulatorProcess() { Stop(); }

SimulatorStart SimulatorProcess::Start(const std::string& profile, const InterruptSignals& signals,
                                       std::string& error) {
    const int cancelFd = signals.Native().fd;
    const sigset_t& childMask = signals.Native().previousMask;
    std::string path = FindSimulator();
    if (path.empty()) {
        error = "cannot find " + std::string(SimulatorName) + " next to quillfen-cli or on PATH";
        return SimulatorStart::Failed;
    }

    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        error = std::string("cannot make a pipe for the simulator: ") + std::strerror(errno);
        return SimulatorStart::Failed;
    }
    std::string profileFlag = "--profile";
    std::string profileName = profile;
    char* argv[] = {path.data(), profileFlag.data(), profileName.data(), nullptr};

    pid_t parent = getpid();
    pid_t child = fork();
    if (child < 0) {
        error = std::string("cannot start the simulator: ") + std::strerror(errno);
        close(pipeFds[0]);
        close(pipeFds[1]);
        return SimulatorStart::Failed;
    }
    if (child == 0) ExecSimulator(path.c_str(), argv, pipeFds[1], parent, childMask);

    pid_ = child;
    close(pipeFds[1]);

    // The first line on the simulator's stdout is the pty path.
    std::string line;
    bool complete = false;
    bool interrupted = false;
    bool sawEnd = false;
    auto deadline = std::chrono::steady_clock::now() + StartLimit;
    while (!complete) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        pollfd watched[2] = {{pipeFds[0], POLLIN, 0}, {cancelFd, POLLIN, 0}};
        int ready = poll(watched, 2, static_cast<int>(left.count()));
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) break;
        if (watched[1].revents & POLLIN) {
            interrupted = true;
            break;
        }
        if (watched[0].revents == 0) continue;
        char chunk[256];
        ssize_t got = read(pipeFds[0], chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            sawEnd = true;
            break;
        }
        std::string_view piece(chunk, static_cast<std::size_t>(got));
        std::size_t newline = piece.find('\n');
        line.append(piece.substr(0, newline));
        if (newline != std::string_view::npos) complete = true;
        if (line.size() > DevicePathLimit) break;
    }
    close(pipeFds[0]);

    if (complete && !line.empty() && line.size() <= DevicePathLimit) {
        device_ = line;
        return SimulatorStart::Started;
    }
    if (interrupted) {
        Stop();
        error = "interrupted while the simulator was starting";
        return SimulatorStart::Interrupted;
    }
    // Did it end by itself (a profile it does not know), or is it stuck? A
    // closed pipe means it is on its way out; give it a moment to finish.
    int status = 0;
    bool ended = false;
    auto graceEnd = std::chrono::steady_clock::now() + (sawEnd ? StopLimit : std::chrono::seconds(0));
    while (true) {
        pid_t done = waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
        if (done == pid_) {
            ended = true;
            break;
        }
        if ((done < 0 && errno != EINTR) || std::chrono::steady_clock::now() >= graceEnd) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (ended) {
        pid_ = -1;
    } else {
        Stop();
    }
    if (ended && WIFEXITED(status) && WEXITSTATUS(status) == 2) {
        error = "the simulator refused profile \"" + profile + "\"";
        return SimulatorStart::UsageRefused;
    }
    error = "the simulator (" + path + ") did not name its pseudo-terminal";
    return SimulatorStart::Failed;
}

void SimulatorProcess::Stop() {
    if (pid_ <= 0) return;
    kill(static_cast<pid_t>(pid_), SIGTERM);
    WaitForExit();
    pid_ = -1;
}

int SimulatorProcess::WaitForExit() {
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + StopLimit;
    while (true) {
        pid_t done = waitpid(static_cast<pid_t>(pid_), &status, WNOHANG);
        if (done == pid_) return status;
        if (done < 0 && errno != EINTR) return status;
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    // It ignored SIGTERM; it must not outlive the session.
    kill(static_cast<pid_t>(pid_), SIGKILL);
    while (waitpid(static_cast<pid_t>(pid_), &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::vector<std::string_view> SimulatorProfiles() {
    std::vector<std::string_view> names;
    for (const modemsim::Profile* profile : modemsim::AllProfiles()) names.push_back(profile->name);
    return names;
}

}  // namespace quillfen::cli
