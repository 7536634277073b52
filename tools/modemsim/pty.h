// SPDX-License-Identifier: MIT
// The simulated modem's end of the serial line: a pseudo-terminal whose
// slave side the program opens as its serial port, and an optional symlink
// to it. The simulator keeps a slave descriptor of its own, so the line
// survives clients opening and closing it, as a real port does.
#pragma once

#include <string>

namespace quillfen::modemsim {

class Pty {
public:
    Pty() = default;
    ~Pty() { Close(); }
    Pty(const Pty&) = delete;
    Pty& operator=(const Pty&) = delete;

    // Opens the pair with the slave raw at 2400 bit/s and the master
    // non-blocking.
    bool Open(std::string& error);
    // Makes path a symlink to the slave device. A symlink already there is
    // replaced; anything else at that path is left alone and refused.
    bool Link(const std::string& path, std::string& error);
    // Closes both sides, which the program sees as a hang-up, and removes
    // the link if it still points here.
    void Close();

    int Master() const { return master_; }
    int Slave() const { return slave_; }
    const std::string& Device() const { return device_; }

private:
    int master_ = -1;
    int slave_ = -1;
    std::string device_;
    std::string link_;
};

}  // namespace quillfen::modemsim
