#include "support/cli_run.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

extern char** environ;

namespace quillfen::test {

std::size_t CountOf(const std::string& text, const std::string& needle) {
    std::size_t count = 0;
    for (std::size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + needle.size()))
        ++count;
    return count;
}

CliRun RunQuillfenCli(const std::vector<std::string>& args, const std::string& dir, std::vector<CliTrigger> triggers,
                      bool stderrTerminal) {
    CliRun run;
#ifdef QUILLFEN_CLI_PATH
    int outPipe[2];
    int errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) return run;
    bool errReady = pipe2(errPipe, O_CLOEXEC) == 0;
    if (errReady && stderrTerminal) {
        // The reading end is the terminal's master, the child's stderr its slave.
        close(errPipe[0]);
        close(errPipe[1]);
        errPipe[0] = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        errReady = errPipe[0] >= 0 && grantpt(errPipe[0]) == 0 && unlockpt(errPipe[0]) == 0;
        errPipe[1] = errReady ? open(ptsname(errPipe[0]), O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
        errReady = errReady && errPipe[1] >= 0;
    }
    if (!errReady) {
        close(outPipe[0]);
        close(outPipe[1]);
        return run;
    }
    std::vector<std::string> argv{QUILLFEN_CLI_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& arg : argv)
        cargv.push_back(arg.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
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
        return run;
    }

    auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(5);
    bool open[2] = {true, true};
    int fds[2] = {outPipe[0], errPipe[0]};
    std::size_t nextTrigger = 0;
    while (open[0] || open[1]) {
        if (std::chrono::steady_clock::now() >= deadline) {
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
            const CliTrigger& trigger = triggers[nextTrigger];
            if (CountOf(trigger.onStderr ? run.err : run.out, trigger.needle) < trigger.occurrence) break;
            trigger.action(pid);
            ++nextTrigger;
        }
    }
    close(fds[0]);
    close(fds[1]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.allTriggersFired = nextTrigger == triggers.size();
#else
    (void)args;
    (void)dir;
    (void)triggers;
#endif
    return run;
}

}  // namespace quillfen::test
