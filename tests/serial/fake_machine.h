// SPDX-License-Identifier: MIT
// A machine built in a temporary directory: /dev nodes (plain files or links
// to real ptys), their sysfs class entries with UART types and USB parents,
// a /proc with consoles and processes, and a lock directory.
#pragma once

#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <filesystem>
#include <string>
#include <vector>

#include "serial/serial_inventory.h"
#include "support/fixtures.h"

namespace quillfen::test {

// "major:minor" of a device node, as /proc/consoles gives it.
inline std::string DeviceNumbers(const std::string& node) {
    struct stat info {};
    if (stat(node.c_str(), &info) != 0) return "0:0";
    return std::to_string(major(info.st_rdev)) + ":" + std::to_string(minor(info.st_rdev));
}

class FakeMachine {
public:
    FakeMachine() {
        roots.sys = dir.File("sys");
        roots.dev = dir.File("dev");
        roots.proc = dir.File("proc");
        roots.lock = dir.File("var/lock");
        for (const std::string* path : {&roots.dev, &roots.proc, &roots.lock}) {
            std::filesystem::create_directories(*path);
        }
        std::filesystem::create_directories(roots.sys + "/class/tty");
    }

    // A device node: a plain file, or a link to a real device (a pty slave).
    std::string Node(const std::string& name, const std::string& linkTo = "") {
        std::string path = roots.dev + "/" + name;
        if (linkTo.empty()) {
            WriteFile(path, "");
        } else {
            std::filesystem::create_symlink(linkTo, path);
        }
        return path;
    }
    void Attribute(const std::string& relative, const std::string& text) {
        std::filesystem::path file = std::filesystem::path(roots.sys) / relative;
        std::filesystem::create_directories(file.parent_path());
        WriteFile(file.string(), text);
    }
    // A ttyS port with a UART of the kernel's type number (4 is a 16550A).
    std::string Uart(unsigned number, int type = 4, const std::string& linkTo = "") {
        std::string name = "ttyS" + std::to_string(number);
        Attribute("class/tty/" + name + "/type", std::to_string(type) + "\n");
        return Node(name, linkTo);
    }
    // A USB device with one interface; the tty's device link points at
    // `below` under the interface ("" for the interface itself, as ttyACM has).
    std::string UsbTty(const std::string& tty, const std::string& usbName, const std::string& below,
                       const std::string& maker = "", const std::string& product = "",
                       const std::string& linkTo = "") {
        namespace fs = std::filesystem;
        fs::path usb = fs::path(roots.sys) / "devices/usb1" / usbName;
        fs::path target = usb / (usbName + ":1.0");
        if (!below.empty()) target /= below;
        fs::create_directories(target);
        fs::path classDir = fs::path(roots.sys) / "class/tty" / tty;
        fs::create_directories(classDir);
        fs::create_symlink(target, classDir / "device");
        if (!maker.empty()) WriteFile((usb / "manufacturer").string(), maker + "\n");
        if (!product.empty()) WriteFile((usb / "product").string(), product + "\n");
        WriteFile((usb / "idVendor").string(), "0572\n");
        WriteFile((usb / "idProduct").string(), "1329\n");
        return Node(tty, linkTo);
    }
    void Consoles(const std::string& text) { WriteFile(roots.proc + "/consoles", text); }
    // A process of the fake /proc holding the given files (links into /dev).
    void Process(long pid, const std::string& name, const std::vector<std::string>& files,
                 const std::vector<std::string>& fdinfo = {}) {
        namespace fs = std::filesystem;
        fs::path base = fs::path(roots.proc) / std::to_string(pid);
        fs::create_directories(base / "fd");
        fs::create_directories(base / "fdinfo");
        WriteFile((base / "comm").string(), name + "\n");
        for (std::size_t fd = 0; fd < files.size(); ++fd) {
            fs::create_symlink(files[fd], base / "fd" / std::to_string(fd + 3));
            if (fd < fdinfo.size()) WriteFile((base / "fdinfo" / std::to_string(fd + 3)).string(), fdinfo[fd]);
        }
    }

    TempDir dir;
    DeviceRoots roots;
};

}  // namespace quillfen::test
