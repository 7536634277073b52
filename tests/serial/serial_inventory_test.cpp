// SPDX-License-Identifier: MIT
// Which device each COM number opens, on machines built in a temporary
// directory: UARTs, ACM and USB modems and Bluetooth ports present and absent,
// with the user's own mappings on top.
#include <stdlib.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "serial/fake_machine.h"
#include "serial/port_names.h"
#include "serial/serial_inventory.h"
#include "support/scoped_env.h"

namespace quillfen::test {
namespace {

namespace fs = std::filesystem;

TEST(SerialInventoryTest, ListsUartsAcmUsbAndBluetoothInNumberingOrder) {
    FakeMachine machine;
    std::string ttyS0 = machine.Uart(0);
    machine.Uart(1, 0);  // a node with no UART behind it
    machine.Node("ttyS2");  // nothing in sysfs says what it is
    machine.Uart(12, 10);
    std::string usb = machine.UsbTty("ttyUSB0", "1-2", "ttyUSB0", "FTDI", "FT232R USB UART");
    std::string acm = machine.UsbTty("ttyACM3", "1-3", "", "", "GPS\x1b[2J" + std::string(300, 'x'));
    machine.Node("rfcomm0");
    for (const char* other : {"tty0", "ttyS", "ttyUSBx", "ttyprintk", "console"}) machine.Node(other);

    auto entries = ListSerialDevices(machine.roots);
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].path, ttyS0);
    EXPECT_EQ(entries[0].kind, "UART 16550A");
    EXPECT_EQ(entries[1].path, machine.roots.dev + "/ttyS12");  // by number, not by name
    EXPECT_EQ(entries[1].kind, "UART 16C950");
    EXPECT_EQ(entries[2].path, acm);  // ACM before USB
    EXPECT_EQ(entries[2].number, 3u);
    // What reaches a terminal or a tooltip is printable and cut to fit.
    EXPECT_EQ(entries[2].description.rfind("GPS?[2J", 0), 0u) << entries[2].description;
    EXPECT_LT(entries[2].description.size(), 128u);
    EXPECT_EQ(entries[3].path, usb);
    EXPECT_EQ(entries[3].usbVendor, "0572");
    EXPECT_EQ(entries[3].usbProduct, "1329");
    EXPECT_EQ(entries[3].description, "FTDI FT232R USB UART");
    EXPECT_EQ(entries[4].kind, "Bluetooth RFCOMM");
    EXPECT_TRUE(entries[4].usbVendor.empty());

    // Nor does a missing /dev make it fail.
    machine.roots.dev = machine.dir.File("nowhere");
    EXPECT_TRUE(ListSerialDevices(machine.roots).empty());
}

TEST(SerialInventoryTest, UartsKeepTheirNumbersAndTheRestTakeTheLowestFree) {
    FakeMachine machine;
    std::string ttyS0 = machine.Uart(0);
    machine.Uart(1, 0);
    std::string ttyS2 = machine.Uart(2);
    std::string acm0 = machine.UsbTty("ttyACM0", "1-1", "", "Conexant", "USB Modem");
    std::string acm1 = machine.UsbTty("ttyACM1", "1-4", "");
    std::string usb0 = machine.UsbTty("ttyUSB0", "1-2", "ttyUSB0");
    std::string rfcomm = machine.Node("rfcomm0");

    PortNames names(machine.roots);
    names.Discover();
    EXPECT_EQ(names.DeviceFor(1), ttyS0);
    EXPECT_EQ(names.DeviceFor(2), acm0);  // ttyS1 has no UART, so COM2 is free
    EXPECT_EQ(names.DeviceFor(3), ttyS2);
    EXPECT_EQ(names.DeviceFor(4), acm1);
    EXPECT_EQ(names.DeviceFor(5), usb0);
    EXPECT_EQ(names.DeviceFor(6), rfcomm);
    EXPECT_EQ(names.DeviceFor(7), machine.roots.dev + "/ttyS6");  // nothing there: the plain name
    EXPECT_EQ(names.Describe(2), acm0 + " (Conexant USB Modem)");
    EXPECT_EQ(names.Describe(1), ttyS0 + " (UART 16550A)");
    EXPECT_EQ(names.Describe(7), machine.roots.dev + "/ttyS6");

    // Without the UARTs, the first modem is COM1.
    FakeMachine usbOnly;
    std::string alone = usbOnly.UsbTty("ttyACM0", "1-1", "");
    PortNames onlyNames(usbOnly.roots);
    onlyNames.Discover();
    EXPECT_EQ(onlyNames.DeviceFor(1), alone);
    EXPECT_EQ(onlyNames.DeviceFor(2), usbOnly.roots.dev + "/ttyS1");
}

TEST(SerialInventoryTest, TheUsersMappingsWinAndPlaceADeviceOnce) {
    FakeMachine machine;
    std::string ttyS0 = machine.Uart(0);
    std::string acm0 = machine.UsbTty("ttyACM0", "1-1", "");
    std::string usb0 = machine.UsbTty("ttyUSB0", "1-2", "ttyUSB0");
    fs::create_directories(machine.dir.File("by-id"));
    fs::create_symlink(usb0, machine.dir.File("by-id/usb-FTDI"));

    PortNames names(machine.roots);
    ASSERT_TRUE(names.Map(1, "/dev/null"));
    ASSERT_TRUE(names.Map(9, machine.dir.File("by-id/usb-FTDI")));  // through a link
    ScopedEnv env("QUILLFEN_COM2", "/dev/zero");
    names.Discover();
    EXPECT_EQ(names.DeviceFor(1), "/dev/null");  // the UART loses its number to the mapping
    EXPECT_EQ(names.DeviceFor(2), "/dev/zero");
    EXPECT_EQ(names.DeviceFor(3), acm0);
    EXPECT_EQ(names.DeviceFor(4), machine.roots.dev + "/ttyS3") << "ttyUSB0 is already COM9";
    EXPECT_EQ(names.ComNumbersOf(usb0), std::vector<unsigned>{9});
    EXPECT_TRUE(names.ComNumbersOf(ttyS0).empty());
    EXPECT_EQ(names.Describe(9), machine.dir.File("by-id/usb-FTDI") + " (USB)");
}

}  // namespace
}  // namespace quillfen::test
