// SPDX-License-Identifier: MIT
// The POSIX half of the shared fixtures: mkdtemp and the simulator on a pty.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "support/fixtures.h"

extern char** environ;

namespace quillfen::test {

TempDir::TempDir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/quillfen-test-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (!mkdtemp(name.data())) throw std::runtime_error("mkdtemp failed");
    path_ = name.data();
}

ModemSim::ModemSim(const std::vector<std::string>& args) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");

    std::vector<std::string> argv{QUILLFEN_MODEMSIM_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargv;
    for (auto& arg : argv) cargv.push_back(arg.data());
    cargv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    int rc = posix_spawn(&pid_, cargv[0], &actions, nullptr, cargv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) {
        close(pipeFds[0]);
        throw std::runtime_error(std::string("cannot start the simulator: ") + std::strerror(rc));
    }

    // The first line on its stdout is the pty path.
    char c;
    while (true) {
        ssize_t got = read(pipeFds[0], &c, 1);
        if (got == 1 && c != '\n') {
            device_.push_back(c);
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        break;
    }
    close(pipeFds[0]);
    if (device_.empty()) {
        Stop();
        throw std::runtime_error("the simulator printed no device path");
    }
}

ModemSim::~ModemSim() { Stop(); }

int ModemSim::Stop() {
    if (pid_ <= 0) return 0;
    kill(pid_, SIGTERM);
    int status = 0;
    while (waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
    return status;
}

}  // namespace quillfen::test
