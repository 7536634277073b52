// SPDX-License-Identifier: MIT
// quillfen-modemsim: a Hayes data/fax modem on a pseudo-terminal, so Quillfen
// can be tried and tested without hardware.
//
//   quillfen-modemsim --profile fax --link /tmp/modem &
//   picocom -b 2400 /tmp/modem          (type ATI3 and Enter; Ctrl-A Ctrl-X quits)
//
// The first line on stdout is the pty's device path; nothing else is printed
// there. Profiles: fax (classes 0,1,1.0,2,2.0), class1 (0,1,1.0), data (0),
// numeric (result codes always numeric), silent (never answers), three
// modems of their own (usbclass1, v34fax and dataonly) and real modems
// (real:NAME); --list-profiles names them all. Pacing,
// noise, a hang-up after N commands and a byte transcript are options; see
// --help. SIGTERM, SIGINT and SIGHUP end it with status 0 and remove the link.
// Exit status 2 is a bad command line, 1 a pty or file that cannot be set up.

#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "host/version.h"
#include "options.h"
#include "pty.h"
#include "simulator.h"
#include "transcript.h"

namespace {

constexpr const char* kProgram = "quillfen-modemsim";

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace quillfen::modemsim;

    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgram, error.c_str(), kProgram);
        return 2;
    }
    if (options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s (Quillfen %s)\n", kProgram, QUILLFEN_PACKAGE_VERSION, QUILLFEN_PRODUCT_VERSION);
        return 0;
    }
    if (options.listProfiles) {
        for (const Profile* profile : AllProfiles()) {
            std::printf("%.*s\n", static_cast<int>(profile->name.size()), profile->name.data());
        }
        return 0;
    }

    // Whoever started us may close our stdout once it has the device path.
    signal(SIGPIPE, SIG_IGN);
    // The stop signals arrive through the poll loop, not a handler.
    sigset_t stops;
    sigemptyset(&stops);
    sigaddset(&stops, SIGTERM);
    sigaddset(&stops, SIGINT);
    sigaddset(&stops, SIGHUP);
    sigprocmask(SIG_BLOCK, &stops, nullptr);
    int signalFd = signalfd(-1, &stops, SFD_CLOEXEC);
    if (signalFd < 0) return Fail(std::string("signalfd: ") + std::strerror(errno));

    Transcript transcript;
    if (!options.transcript.empty() && !transcript.Open(options.transcript, error)) return Fail(error);
    Pty pty;
    if (!pty.Open(error)) return Fail(error);
    if (!options.link.empty() && !pty.Link(options.link, error)) return Fail(error);

    std::uint32_t seed = options.seed ? *options.seed : std::random_device{}();
    std::string start = std::string(kProgram) + " profile " + std::string(options.profile->name) + " on " +
                        pty.Device();
    if (options.baud != 0) start += " baud " + std::to_string(options.baud);
    if (options.noise) start += " noise seed " + std::to_string(seed);
    if (options.hangupAfter != 0) start += " hangup-after " + std::to_string(options.hangupAfter);
    transcript.Remark(start);

    std::printf("%s\n", pty.Device().c_str());
    std::fflush(stdout);

    Simulator simulator(options, seed, pty, transcript);
    int status = simulator.Run(signalFd);
    pty.Close();
    close(signalFd);
    transcript.Remark("exit " + std::to_string(status));
    return status;
}
