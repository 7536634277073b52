// SPDX-License-Identifier: MIT
// `ports` on a machine built in a temporary directory: the table with every
// COM number that opens each device, and the sentences for empty machines.
#include <regex>
#include <string>

#include <gtest/gtest.h>

#include "cli/port_listing.h"
#include "serial/fake_machine.h"
#include "serial/pty_pair.h"
#include "support/scoped_env.h"

namespace quillfen::test {
namespace {

TEST(PortListingTest, ShowsEachDeviceWithItsComNumbersAndWhatAnOpenWouldMeet) {
    PtyPair console;
    PtyPair held;
    ASSERT_TRUE(console.Ok() && held.Ok());
    FakeMachine machine;
    std::string ttyS0 = machine.Uart(0);
    std::string ttyS1 = machine.Uart(1, 4, console.Slave());
    machine.Consoles("ttyS1                -W- (EC p a)    " + DeviceNumbers(console.Slave()) + "\n");
    std::string ttyS2 = machine.Uart(2, 4, held.Slave());
    machine.Process(412, "agetty", {held.Slave()});
    std::string usb = machine.UsbTty("ttyUSB0", "1-2", "ttyUSB0", "FTDI", "FT232R USB UART");
    std::string rfcomm = machine.Node("rfcomm0");

    // Ports placed by hand, each from a different place.
    TempDir dir;
    WriteFile(dir.File("ports"), "# fax servers\nCOM21 = rfc2217://[::1]:7002  # the second\nCOM22 rfc2217://x:1\n");
    ScopedEnv variable("QUILLFEN_COM20", "tcp://fax-ts1:7001");
    PortNames names(machine.roots);
    names.UsePortsFile(dir.File("ports"));
    names.Map(12, usb);
    names.Map(7, ttyS0);
    names.Discover();

    std::string text = cli::FormatPortListing(names);
    EXPECT_EQ(text.rfind("DEVICE ", 0), 0u);
    // Columns line up: every device path here has the same length.
    EXPECT_NE(text.find("\n" + ttyS0 + "    COM1,COM7  UART 16550A\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + ttyS1 + "    COM2       system console, left alone; UART 16550A\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\n" + ttyS2 + "    COM3       in use by agetty (pid 412); UART 16550A\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("\n" + usb + "  COM12      USB 0572:1329 FTDI FT232R USB UART\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + rfcomm + "  COM4       Bluetooth RFCOMM\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("None of them has a COM number"), std::string::npos);

    std::string placed = text.substr(text.find("\nPlaced by hand:\n"));
    const std::regex rows("\nPlaced by hand:\nCOM    DEVICE +FROM\n"
                          "COM7   [^ ]+ttyS0 +--map\n"
                          "COM12  [^ ]+ttyUSB0 +--map\n"
                          "COM20  tcp://fax-ts1:7001 +QUILLFEN_COM20\n"
                          "COM21  rfc2217://\\[::1\\]:7002 +[^ ]+/ports, line 2\n");
    EXPECT_TRUE(std::regex_match(placed, rows)) << placed;
    EXPECT_EQ(names.PortsFileProblems(),
              std::vector<std::string>{dir.File("ports") + ", line 3: \"COM22 rfc2217://x:1\" is not of the form "
                                       "COMn = DEVICE"});
}

TEST(PortListingTest, AMachineWithoutSerialDevicesSaysSo) {
    FakeMachine machine;
    machine.Uart(0, 0);
    machine.Node("tty1");
    PortNames names(machine.roots);
    names.Discover();
    EXPECT_EQ(cli::FormatPortListing(names).rfind("No serial devices found", 0), 0u);

    // Devices that no COM number reaches come with a hint how to give one.
    machine.Node("rfcomm1");
    PortNames taken(machine.roots);
    for (unsigned com = 1; com <= HighestComNumber; ++com) taken.Map(com, "/dev/null");
    taken.Discover();
    std::string text = cli::FormatPortListing(taken);
    EXPECT_NE(text.find("--map COMn=DEVICE"), std::string::npos) << text;
}

}  // namespace
}  // namespace quillfen::test
