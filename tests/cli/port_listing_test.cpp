// `ports` on a machine built in a temporary directory: the table with every
// COM number that opens each device, and the sentences for empty machines.
#include <string>

#include <gtest/gtest.h>

#include "cli/port_listing.h"
#include "serial/fake_machine.h"

namespace quillfen::test {
namespace {

TEST(PortListingTest, ShowsEachDeviceWithItsComNumbers) {
    FakeMachine machine;
    std::string ttyS0 = machine.Uart(0);
    std::string usb = machine.UsbTty("ttyUSB0", "1-2", "ttyUSB0", "FTDI", "FT232R USB UART");
    std::string rfcomm = machine.Node("rfcomm0");
    PortNames names(machine.roots);
    names.Map(12, usb);
    names.Map(7, ttyS0);
    names.Discover();

    std::string text = cli::FormatPortListing(names);
    EXPECT_EQ(text.rfind("DEVICE ", 0), 0u);
    // Columns line up: every device path here has the same length.
    EXPECT_NE(text.find("\n" + ttyS0 + "    COM1,COM7  UART 16550A\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + usb + "  COM12      USB 0572:1329 FTDI FT232R USB UART\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\n" + rfcomm + "  COM2       Bluetooth RFCOMM\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("None of them has a COM number"), std::string::npos);
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
