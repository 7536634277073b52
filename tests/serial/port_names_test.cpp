// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "serial/port_names.h"
#include "serial/ports_file.h"
#include "support/fixtures.h"
#include "support/scoped_env.h"

namespace quillfen {
namespace {

using test::ScopedEnv;

TEST(PortNames, MappingWinsOverEnvironmentOverPortsFileOverPlatformName) {
    test::TempDir dir;
    test::WriteFile(dir.File("ports"), "COM3 = /dev/ttyUSB3\r\nCOM4=rfc2217://fax-ts1:7001\r\n");
    PortNames names;
    EXPECT_EQ(names.DeviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(names.DeviceFor(256), "/dev/ttyS255");
    names.UsePortsFile(dir.File("ports"));
    EXPECT_TRUE(names.PortsFileProblems().empty());
    EXPECT_EQ(names.DeviceFor(3), "/dev/ttyUSB3");
    EXPECT_EQ(names.DeviceFor(4), "rfc2217://fax-ts1:7001");

    ScopedEnv env("QUILLFEN_COM3", "/dev/ttyACM0");
    EXPECT_EQ(names.DeviceFor(3), "/dev/ttyACM0");
    EXPECT_EQ(names.DeviceFor(5), "/dev/ttyS4");

    EXPECT_TRUE(names.Map(3, "/tmp/modem"));
    EXPECT_EQ(names.DeviceFor(3), "/tmp/modem");
    EXPECT_EQ(names.UserPorts().size(), 2u);

    // A file that is not there is no problem and places nothing.
    names.UsePortsFile(dir.File("no-such-file"));
    EXPECT_TRUE(names.PortsFileProblems().empty());
    EXPECT_EQ(names.DeviceFor(4), "/dev/ttyS3");
}

TEST(PortNames, BadNamesAndNumbersAreRefusedAndNeverReplacedSilently) {
    PortNames names;
    EXPECT_FALSE(names.Map(0, "/dev/x"));
    EXPECT_FALSE(names.Map(257, "/dev/x"));
    EXPECT_FALSE(names.Map(1, ""));
    EXPECT_FALSE(names.Map(1, std::string(5000, 'x')));
    EXPECT_FALSE(names.Map(1, "rfc2217://fax-ts1:0"));
    EXPECT_EQ(names.DeviceFor(1), "/dev/ttyS0");

    {
        ScopedEnv empty("QUILLFEN_COM5", "");
        EXPECT_EQ(names.DeviceFor(5), "/dev/ttyS4") << "an empty variable is one not set";
        EXPECT_TRUE(names.EnvironmentProblems().empty());
    }
    {
        // Opening it fails, naming it; the port's own device is never opened instead.
        const std::string huge = "/dev/" + std::string(5000, 'y');
        ScopedEnv variable("QUILLFEN_COM5", huge);
        EXPECT_EQ(names.DeviceFor(5), huge);
        EXPECT_EQ(names.EnvironmentProblems(),
                  std::vector<std::string>{"QUILLFEN_COM5 names no port: it is 5005 characters long; at most 4095 "
                                           "are allowed"});
        EXPECT_TRUE(names.Map(5, "/dev/ttyUSB0"));
        EXPECT_TRUE(names.EnvironmentProblems().empty()) << "a mapping puts the variable out of use";
    }

    std::vector<std::string> problems;
    std::vector<PortsFileEntry> entries = ReadPortsFile(
        "\xEF\xBB\xBF# fax servers\n"
        "COM5 = rfc2217://fax-ts1:7001\n"
        "   \n"
        "COM0 = /dev/ttyS0\n"
        "COM6 /dev/ttyS0\n"
        "COM7 = tcp://fax-ts1\n"
        "COM5 = /dev/ttyUSB0\n"
        "com8=" + std::string(5000, 'z') + "\n"
        "9 = /dev/ttyACM0 # a comment\n",
        "ports", problems);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].comNumber, 5u);
    EXPECT_EQ(entries[0].device, "rfc2217://fax-ts1:7001");
    EXPECT_EQ(entries[1].comNumber, 9u);
    EXPECT_EQ(entries[1].device, "/dev/ttyACM0");
    EXPECT_EQ(entries[1].line, 9u);
    ASSERT_EQ(problems.size(), 5u);
    EXPECT_EQ(problems[0], "ports, line 4: \"COM0\" is not a port from COM1 to COM256");
    EXPECT_EQ(problems[1], "ports, line 5: \"COM6 /dev/ttyS0\" is not of the form COMn = DEVICE");
    EXPECT_EQ(problems[2].rfind("ports, line 6: \"tcp://fax-ts1\" names no port: it names no port (HOST:PORT)", 0), 0u);
    EXPECT_EQ(problems[3], "ports, line 7: COM5 was given already, on line 2");
    EXPECT_EQ(problems[4].rfind("ports, line 8: \"" + std::string(80, 'z') + "...\" names no port: it is 5000", 0), 0u);
}

}  // namespace
}  // namespace quillfen
