// SPDX-License-Identifier: MIT
#include "support/run_program.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/fixtures.h"

extern char** environ;

namespace quillfen::test {

namespace {

// The reading end is the terminal's master, the child's end its slave.
bool OpenTerminal(int ends[2]) {
    ends[0] = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (ends[0] < 0) return false;
    if (grantpt(ends[0]) == 0 && unlockpt(ends[0]) == 0) {
        ends[1] = open(ptsname(ends[0]), O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (ends[1] >= 0) return true;
    }
    close(ends[0]);
    return false;
}

}  // namespace

ProgramRun RunProgram(std::vector<std::string> argv, const std::string& dir,
                      const std::vector<ProgramTrigger>& triggers, const ProgramOptions& options) {
    ProgramRun run;
    if (argv.empty()) {
        run.startFailure = "nothing to run";
        return run;
    }
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        run.startFailure = "pipe failed";
        return run;
    }
    if (options.stderrTerminal ? !OpenTerminal(errPipe) : pipe2(errPipe, O_CLOEXEC) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        run.startFailure = options.stderrTerminal ? "cannot open a pseudo-terminal" : "pipe failed";
        return run;
    }
    argv.insert(argv.begin(), options.wrapper.begin(), options.wrapper.end());
    std::vector<char*> cargv;
    for (auto& arg : argv)
        cargv.push_back(arg.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (options.stdinFd >= 0)
        posix_spawn_file_actions_adddup2(&actions, options.stdinFd, STDIN_FILENO);
    else
        posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outPipe[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, errPipe[1], STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(outPipe[1]);
    close(errPipe[1]);
    if (rc != 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        run.startFailure = "cannot start " + argv[0] + ": " + std::strerror(rc);
        return run;
    }
    run.started = true;

    const auto started = std::chrono::steady_clock::now();
    auto deadline = started + options.limit;
    bool open[2] = {true, true};
    const int fds[2] = {outPipe[0], errPipe[0]};
    std::size_t nextTrigger = 0;
    while (open[0] || open[1]) {
        if (std::chrono::steady_clock::now() >= deadline) {
            run.timedOut = true;
            kill(pid, SIGKILL);
            break;
        }
        pollfd watched[2] = {{open[0] ? fds[0] : -1, POLLIN, 0}, {open[1] ? fds[1] : -1, POLLIN, 0}};
        if (poll(watched, 2, 200) <= 0) continue;
        for (int stream = 0; stream < 2; ++stream) {
            if (watched[stream].revents == 0) continue;
            char chunk[4096];
            ssize_t got = read(fds[stream], chunk, sizeof chunk);
            if (got <= 0) {
                open[stream] = false;
                continue;
            }
            (stream == 0 ? run.out : run.err).append(chunk, static_cast<std::size_t>(got));
        }
        while (nextTrigger < triggers.size()) {
            const ProgramTrigger& trigger = triggers[nextTrigger];
            if (CountOf(trigger.onStderr ? run.err : run.out, trigger.needle) < trigger.occurrence) break;
            trigger.action(pid);
            ++nextTrigger;
        }
    }
    close(fds[0]);
    close(fds[1]);
    int status = 0;
    rusage usage{};
    while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.allTriggersFired = nextTrigger == triggers.size();
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                     static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

pid_t StartDetached(std::vector<std::string> argv, const std::string& dir, const std::string& logPath) {
    std::vector<char*> cargv;
    for (auto& arg : argv) cargv.push_back(arg.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, logPath.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&actions, dir.c_str());
    pid_t pid = -1;
    int rc = posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return rc == 0 ? pid : -1;
}

void ExpectRanToTheEnd(const ProgramRun& run, const std::string& name) {
    if (!run.started) {
        ADD_FAILURE() << run.startFailure;
        return;
    }
    if (run.timedOut) ADD_FAILURE() << name << " did not finish";
    EXPECT_TRUE(run.allTriggersFired) << "not every trigger fired";
}

CliRun RunQuillfenCli(const std::vector<std::string>& args, const std::string& dir,
                      const std::vector<ProgramTrigger>& triggers, const ProgramOptions& options) {
#ifdef QUILLFEN_CLI_PATH
    std::vector<std::string> argv{QUILLFEN_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    CliRun run = RunProgram(std::move(argv), dir, triggers, options);
    ExpectRanToTheEnd(run, "quillfen-cli");
    return run;
#else
    (void)args;
    (void)dir;
    (void)triggers;
    (void)options;
    return {};
#endif
}

std::vector<std::string> LogFiles(const std::string& dir) {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().rfind("Modem", 0) == 0) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

ProgramRun RunBankOnce(const std::vector<std::string>& devices) {
    const std::string count = std::to_string(devices.size());
    std::vector<std::string> args{"test-all", "--ports", "COM1-COM" + count, "--jobs", count};
    for (std::size_t at = 0; at < devices.size(); ++at) {
        args.push_back("--map");
        args.push_back("COM" + std::to_string(at + 1) + "=" + devices[at]);
    }
    TempDir dir;
#ifdef QUILLFEN_CLI_PATH
    args.insert(args.begin(), QUILLFEN_CLI_PATH);
#endif
    ProgramOptions options;
    // Far above the few minutes a bank takes; only a hang reaches it.
    options.limit = std::chrono::hours(1);
    return RunProgram(std::move(args), dir.Path(), {}, options);
}

}  // namespace quillfen::test
