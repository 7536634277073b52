// A bank of 8 simulated modems paced at 2400 bit/s, tested with
// `quillfen-cli test-all --ports COM1-COM8 --jobs 8`, against one modem
// tested the same way: wall time of the bank over the wall time of one
// (target <= 1.25), and the processor time the program spent per modem.
// Takes a few minutes; it is not part of `make test`.
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "support/fixtures.h"

extern char** environ;

using namespace quillfen;

namespace {

struct Timing {
    double wall = 0;
    double cpu = 0;  // user + system of quillfen-cli
    int exitCode = -1;
};

Timing RunBank(unsigned modems) {
    std::vector<std::unique_ptr<test::ModemSim>> sims;
    std::vector<std::string> argv{QUILLFEN_CLI_PATH, "test-all",
                                  "--ports",         "COM1-COM" + std::to_string(modems),
                                  "--jobs",          std::to_string(modems)};
    for (unsigned com = 1; com <= modems; ++com) {
        sims.push_back(
            std::make_unique<test::ModemSim>(std::vector<std::string>{"--profile", "fax", "--baud", "2400"}));
        argv.push_back("--map");
        argv.push_back("COM" + std::to_string(com) + "=" + sims.back()->Device());
    }
    test::TempDir dir;
    std::vector<char*> cargv;
    for (auto& arg : argv)
        cargv.push_back(arg.data());
    cargv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, dir.Path().c_str());

    Timing timing;
    auto started = std::chrono::steady_clock::now();
    pid_t pid = -1;
    if (posix_spawn(&pid, cargv[0], &actions, nullptr, cargv.data(), environ) != 0) return timing;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    timing.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    timing.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                 static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    timing.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return timing;
}

}  // namespace

int main() {
    const Timing one = RunBank(1);
    const Timing eight = RunBank(8);
    std::printf(
        "bank of 8 modems at 2400 bit/s, --jobs 8: wall %.1f s against %.1f s for one, ratio %.3f "
        "(target <= 1.25), CPU %.3f s per modem (one alone %.3f s), exit codes %d and %d\n",
        eight.wall, one.wall, eight.wall / one.wall, eight.cpu / 8, one.cpu, one.exitCode, eight.exitCode);
    return one.exitCode == 0 && eight.exitCode == 0 ? 0 : 1;
}
