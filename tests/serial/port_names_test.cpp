#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>

#include "serial/port_names.h"
#include "support/scoped_env.h"

namespace quillfen {
namespace {

using test::ScopedEnv;

TEST(PortNames, MappingWinsOverEnvironmentWhichWinsOverPlatformName) {
    PortNames names;
    EXPECT_EQ(names.DeviceFor(1), "/dev/ttyS0");
    EXPECT_EQ(names.DeviceFor(256), "/dev/ttyS255");

    ScopedEnv env("QUILLFEN_COM3", "/dev/ttyACM0");
    EXPECT_EQ(names.DeviceFor(3), "/dev/ttyACM0");
    EXPECT_EQ(names.DeviceFor(4), "/dev/ttyS3");

    EXPECT_TRUE(names.Map(3, "/tmp/modem"));
    EXPECT_EQ(names.DeviceFor(3), "/tmp/modem");
}

TEST(PortNames, BadNamesAndNumbersAreRefused) {
    PortNames names;
    EXPECT_FALSE(names.Map(0, "/dev/x"));
    EXPECT_FALSE(names.Map(257, "/dev/x"));
    EXPECT_FALSE(names.Map(1, ""));
    EXPECT_FALSE(names.Map(1, std::string(5000, 'x')));
    EXPECT_EQ(names.DeviceFor(1), "/dev/ttyS0");

    {
        ScopedEnv empty("QUILLFEN_COM5", "");
        EXPECT_EQ(names.DeviceFor(5), "/dev/ttyS4");
    }
    {
        ScopedEnv huge("QUILLFEN_COM5", "/dev/" + std::string(5000, 'y'));
        EXPECT_EQ(names.DeviceFor(5), "/dev/ttyS4");
    }
}

}  // namespace
}  // namespace quillfen
