// `ports` on machines built in a temporary directory: device nodes, their
// sysfs class entries and USB parents, and the COM numbers mapped to them.
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "cli/serial_inventory.h"
#include "support/fixtures.h"

namespace quillfen::test {
namespace {

namespace fs = std::filesystem;
using cli::DeviceRoots;
using cli::FormatSerialDevices;
using cli::ListSerialDevices;

class FakeMachine {
public:
    FakeMachine() {
        roots.dev = dir.File("dev");
        roots.ttyClass = dir.File("sys/class/tty");
        fs::create_directories(roots.dev);
        fs::create_directories(roots.ttyClass);
    }
    std::string Node(const std::string& name) {
        WriteFile(roots.dev + "/" + name, "");
        return roots.dev + "/" + name;
    }
    void Attribute(const std::string& relative, const std::string& text) {
        fs::path file = fs::path(dir.File("sys")) / relative;
        fs::create_directories(file.parent_path());
        WriteFile(file.string(), text);
    }
    // A USB device with one interface; the tty's device link points at
    // `below` under the interface ("" for the interface itself, as ttyACM has).
    void UsbTty(const std::string& tty, const std::string& usbName, const std::string& below) {
        fs::path usb = fs::path(dir.File("sys/devices/usb1")) / usbName;
        fs::path target = usb / (usbName + ":1.0");
        if (!below.empty()) target /= below;
        fs::create_directories(target);
        fs::create_directories(fs::path(roots.ttyClass) / tty);
        fs::create_symlink(target, fs::path(roots.ttyClass) / tty / "device");
    }

    TempDir dir;
    DeviceRoots roots;
};

TEST(SerialInventoryTest, ListsUartsUsbAndBluetoothWithTheirComNumbers) {
    FakeMachine machine;
    std::string ttyS0 = machine.Node("ttyS0");
    machine.Attribute("class/tty/ttyS0/type", "4\n");
    machine.Node("ttyS1");  // a node with no UART behind it
    machine.Attribute("class/tty/ttyS1/type", "0\n");
    machine.Node("ttyS2");  // nothing in sysfs says what it is
    machine.Node("ttyS12");
    machine.Attribute("class/tty/ttyS12/type", "10\n");
    std::string usb = machine.Node("ttyUSB0");
    machine.UsbTty("ttyUSB0", "1-2", "ttyUSB0");
    machine.Attribute("devices/usb1/1-2/idVendor", "0403\n");
    machine.Attribute("devices/usb1/1-2/idProduct", "6001\n");
    machine.Attribute("devices/usb1/1-2/manufacturer", "FTDI\n");
    machine.Attribute("devices/usb1/1-2/product", "FT232R USB UART\n");
    machine.Node("ttyACM3");
    machine.UsbTty("ttyACM3", "1-3", "");
    machine.Attribute("devices/usb1/1-3/idVendor", "1546\n");
    machine.Attribute("devices/usb1/1-3/idProduct", "01a7\n");
    machine.Attribute("devices/usb1/1-3/product", "GPS\x1b[2J" + std::string(300, 'x') + "\n");
    machine.Node("rfcomm0");
    for (const char* other : {"tty0", "ttyS", "ttyUSBx", "ttyprintk", "console"}) machine.Node(other);

    fs::create_directories(machine.dir.File("by-id"));
    fs::create_symlink(usb, machine.dir.File("by-id/usb-FTDI"));
    PortNames names;
    names.Map(7, ttyS0);
    names.Map(3, machine.dir.File("by-id/usb-FTDI"));  // through a link
    names.Map(12, usb);

    auto entries = ListSerialDevices(names, machine.roots);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].path, ttyS0);
    EXPECT_EQ(entries[0].kind, "UART 16550A");
    EXPECT_EQ(entries[0].comNumbers, std::vector<unsigned>{7});
    EXPECT_EQ(entries[1].path, machine.roots.dev + "/ttyS12");  // by number, not by name
    EXPECT_EQ(entries[1].kind, "UART 16C950");
    EXPECT_TRUE(entries[1].comNumbers.empty());
    EXPECT_EQ(entries[2].path, usb);
    EXPECT_EQ(entries[2].usbVendor, "0403");
    EXPECT_EQ(entries[2].usbProduct, "6001");
    EXPECT_EQ(entries[2].description, "FTDI FT232R USB UART");
    EXPECT_EQ(entries[2].comNumbers, (std::vector<unsigned>{3, 12}));
    EXPECT_EQ(entries[3].usbVendor, "1546");
    // What reaches the terminal is printable and cut to fit.
    EXPECT_EQ(entries[3].description.rfind("GPS?[2J", 0), 0u) << entries[3].description;
    EXPECT_LT(entries[3].description.size(), 128u);
    EXPECT_EQ(entries[4].kind, "Bluetooth RFCOMM");
    EXPECT_TRUE(entries[4].usbVendor.empty());

    std::string text = FormatSerialDevices(entries);
    EXPECT_EQ(text.rfind("DEVICE ", 0), 0u);
    // Columns line up: every device path here has the same length.
    EXPECT_NE(text.find("\n" + usb + "  COM3,COM12  USB 0403:6001 FTDI FT232R USB UART\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + machine.roots.dev + "/rfcomm0  -           Bluetooth RFCOMM\n"), std::string::npos)
        << text;
    EXPECT_EQ(text.find("None of them has a COM number"), std::string::npos);
}

TEST(SerialInventoryTest, AMachineWithoutSerialDevicesSaysSo) {
    FakeMachine machine;
    machine.Node("ttyS0");
    machine.Attribute("class/tty/ttyS0/type", "0\n");
    machine.Node("tty1");
    PortNames names;
    auto entries = ListSerialDevices(names, machine.roots);
    EXPECT_TRUE(entries.empty());
    EXPECT_EQ(FormatSerialDevices(entries).rfind("No serial devices found", 0), 0u);

    // Nor does a missing /dev make it fail.
    machine.roots.dev = machine.dir.File("nowhere");
    EXPECT_TRUE(ListSerialDevices(names, machine.roots).empty());

    // Devices that no COM number reaches come with a hint how to give one.
    machine.roots.dev = machine.dir.File("dev");
    machine.Node("rfcomm1");
    std::string text = FormatSerialDevices(ListSerialDevices(names, machine.roots));
    EXPECT_NE(text.find("--map COMn=DEVICE"), std::string::npos) << text;
}

}  // namespace
}  // namespace quillfen::test
