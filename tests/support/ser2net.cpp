// SPDX-License-Identifier: MIT
#include "support/ser2net.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include "support/run_program.h"

namespace quillfen::test {

namespace {

// The listening sockets' ports by their inodes, from the kernel's tables.
std::vector<std::pair<unsigned long, unsigned>> ListeningPorts() {
    std::vector<std::pair<unsigned long, unsigned>> found;
    for (const char* table : {"/proc/net/tcp", "/proc/net/tcp6"}) {
        std::ifstream in(table);
        std::string line;
        std::getline(in, line);
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout;
            unsigned long inode = 0;
            fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >> timeout >> inode;
            if (state != "0A") continue;
            unsigned port = static_cast<unsigned>(std::stoul(local.substr(local.rfind(':') + 1), nullptr, 16));
            found.emplace_back(inode, port);
        }
    }
    return found;
}

std::set<unsigned long> SocketInodes(pid_t pid) {
    std::set<unsigned long> inodes;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", ec)) {
        std::string target = std::filesystem::read_symlink(entry.path(), ec).string();
        if (target.rfind("socket:[", 0) == 0) inodes.insert(std::stoul(target.substr(8)));
    }
    return inodes;
}

}  // namespace

Ser2net::Ser2net(const std::vector<std::string>& devices, const std::string& accepter,
                 const std::vector<std::string>& options)
    : scheme_(accepter.empty() ? "tcp" : "rfc2217") {
    std::string optionLines = "      mdns: false\n";
    for (const std::string& option : options) optionLines += "      " + option + "\n";
    std::string config = "%YAML 1.1\n---\n";
    for (std::size_t i = 0; i < devices.size(); ++i) {
        // Port 0: the kernel picks a free one, read back below.
        config += "connection: &modem" + std::to_string(i) + "\n    accepter: " +
                  (accepter.empty() ? "" : accepter + ",") + "tcp,127.0.0.1,0\n    connector: serialdev," +
                  devices[i] + ",2400n81,local\n    options:\n" + optionLines;
    }
    const std::string configPath = dir_.File("ser2net.yaml");
    WriteFile(configPath, config);
    const std::string logPath = dir_.File("ser2net.log");

    pid_ = StartDetached({"/usr/sbin/ser2net", "-n", "-c", configPath, "-P", dir_.File("ser2net.pid")}, dir_.Path(),
                         logPath);
    if (pid_ < 0) {
        problem_ = "ser2net could not be started";
        return;
    }
    // Ready once every connection listens.
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            problem_ = "ser2net ended at once: " + ReadFile(logPath);
            return;
        }
        std::set<unsigned long> inodes = SocketInodes(pid_);
        std::vector<std::pair<unsigned long, unsigned>> listening;
        for (const auto& [inode, port] : ListeningPorts())
            if (inodes.count(inode)) listening.emplace_back(inode, port);
        if (listening.size() >= devices.size()) {
            for (const auto& entry : listening) ports_.push_back(entry.second);
            std::sort(ports_.begin(), ports_.end());
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    problem_ = "ser2net did not listen within 10 s: " + ReadFile(logPath);
}

Ser2net::~Ser2net() { Kill(); }

std::string Ser2net::Url(std::size_t index) const {
    return scheme_ + "://127.0.0.1:" + std::to_string(Port(index));
}

void Ser2net::Kill() {
    if (pid_ <= 0) return;
    // It does not always end on SIGTERM while a client is connected.
    kill(pid_, SIGKILL);
    while (waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

RefusingPort::RefusingPort() {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0) return;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
}

RefusingPort::~RefusingPort() {
    if (fd_ >= 0) close(fd_);
}

}  // namespace quillfen::test
