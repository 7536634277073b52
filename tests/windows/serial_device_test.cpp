// SPDX-License-Identifier: MIT
// The Win32 serial device against a simulated modem behind a COM port. The
// Wine harness links the ports; run by hand, the tests that need a port say
// so and are skipped.
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "serial/port_names.h"
#include "serial/local_device.h"
#include "serial/serial_inventory.h"
#include "support/fixtures.h"

namespace quillfen::test {
namespace {

constexpr int ReadWait = 1000;

class WinSerialDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        modemCom = ComFromEnvironment("QUILLFEN_TEST_MODEM_COM");
        missingCom = ComFromEnvironment("QUILLFEN_TEST_MISSING_COM");
    }

    bool OpenModem() {
        OpenError error;
        if (!device.Open(PlatformDeviceName(modemCom), error)) {
            ADD_FAILURE() << "cannot open COM" << modemCom << ": error " << error.code;
            return false;
        }
        return device.Configure(2400) == 0;
    }

    void Send(const char* text) {
        std::memcpy(sent, text, std::strlen(text));
        ASSERT_EQ(device.StartWrite(sent, std::strlen(text)), std::strlen(text));
    }

    // Everything the modem says until a line "OK", or until a read comes
    // back empty.
    std::string ReadAnswer() {
        std::string answer;
        for (int reads = 0; reads < 50 && answer.find("OK\r\n") == std::string::npos; ++reads) {
            std::uint8_t chunk[256];
            std::size_t got = device.Read(chunk, sizeof chunk, ReadWait);
            if (got == 0) break;
            answer.append(reinterpret_cast<const char*>(chunk), got);
        }
        return answer;
    }

    unsigned modemCom = 0;
    unsigned missingCom = 0;
    LocalDevice device;
    std::uint8_t sent[DeviceWriteLimit] = {};
};

TEST_F(WinSerialDeviceTest, ConfiguredPortCarriesACommandAndItsAnswer) {
    if (modemCom == 0) GTEST_SKIP() << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    ASSERT_TRUE(OpenModem());
    EXPECT_NE(device.HandleValue(), reinterpret_cast<std::intptr_t>(INVALID_HANDLE_VALUE));

    // The reset the port session makes at every open: refused escapes
    // (a pty has no modem lines) must not disturb the line.
    for (LineControl step : {LineControl::ClearDtr, LineControl::ClearRts, LineControl::SetXoff,
                             LineControl::SetBreak, LineControl::ClearBreak, LineControl::SetXon,
                             LineControl::SetRts, LineControl::SetDtr})
        device.Control(step);
    device.PurgeOutput();
    device.PurgeInput();

    Send("ATI3\r");
    std::string answer = ReadAnswer();
    EXPECT_NE(answer.find("ATI3\r"), std::string::npos) << answer;
    EXPECT_NE(answer.find("Quillfen Simulated V.90 Fax Modem"), std::string::npos) << answer;
    EXPECT_NE(answer.find("OK\r\n"), std::string::npos) << answer;

    // The status query sees what has arrived but is not read yet.
    Send("AT\r");
    QueueCounts counts;
    for (int tries = 0; tries < 200 && counts.inQueue < 8; ++tries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        counts = device.QueryStatus();
    }
    EXPECT_GE(counts.inQueue, 8u) << "AT\\r echoed and \\r\\nOK\\r\\n";
    EXPECT_EQ(counts.outQueue, 0u);
    device.PurgeInput();
    std::uint8_t chunk[64];
    EXPECT_EQ(device.Read(chunk, sizeof chunk, 200), 0u) << "the purge dropped the answer";
}

TEST_F(WinSerialDeviceTest, AReadThatGivesUpLeavesTheBufferAloneAndLosesNothing) {
    if (modemCom == 0) GTEST_SKIP() << "QUILLFEN_TEST_MODEM_COM names no simulated modem";
    ASSERT_TRUE(OpenModem());
    device.PurgeInput();

    std::uint8_t buffer[64];
    std::memset(buffer, 0xAA, sizeof buffer);
    auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(device.Read(buffer, sizeof buffer, 300), 0u);
    auto waited = std::chrono::steady_clock::now() - started;
    EXPECT_GE(waited, std::chrono::milliseconds(250));
    EXPECT_LT(waited, std::chrono::seconds(4)) << "the read waited out the port's own time-out";

    // The modem answers after the read was given up: none of it may land
    // in the old buffer, and all of it must reach the next read.
    Send("AT\r");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    for (std::uint8_t byte : buffer) ASSERT_EQ(byte, 0xAA) << "a cancelled read wrote into the buffer";
    std::string answer = ReadAnswer();
    EXPECT_NE(answer.find("AT\r"), std::string::npos) << answer;
    EXPECT_NE(answer.find("OK\r\n"), std::string::npos) << answer;
}

// The row's texts and how a scan logs them are the port session's tests.
TEST_F(WinSerialDeviceTest, AMissingPortFailsAsNotFound) {
    if (missingCom == 0) GTEST_SKIP() << "QUILLFEN_TEST_MISSING_COM names no missing port";
    OpenError error;
    EXPECT_FALSE(device.Open(PlatformDeviceName(missingCom), error));
    EXPECT_EQ(error.code, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(error.row, OpenErrorRow::CannotFind);
    EXPECT_FALSE(device.IsOpen());
}

// A device that refuses a write at once (here a pipe whose other end has
// gone) has nothing in flight: closing it afterwards must not wait for a
// write that was never started.
TEST(WinSerialDeviceRefusals, ARefusedWriteDoesNotHoldUpTheClose) {
    const std::string name = "\\\\.\\pipe\\quillfen-test-" + std::to_string(GetCurrentProcessId());
    HANDLE server = CreateNamedPipeA(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED, PIPE_TYPE_BYTE, 1,
                                     4096, 4096, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    LocalDevice device;
    OpenError error;
    ASSERT_TRUE(device.Open(name, error)) << error.code;
    CloseHandle(server);

    std::uint8_t bytes[] = {'A', 'T', '\r'};
    device.StartWrite(bytes, sizeof bytes);
    auto started = std::chrono::steady_clock::now();
    device.Close();
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_FALSE(device.IsOpen());
}

// A port the serial drivers announce in the registry's SERIALCOMM map, but
// that Device Manager files under neither Ports nor Modems (a multiport
// card, a virtual port pair), is listed all the same.
TEST(WinSerialInventory, APortOnlyTheSerialCommMapKnowsIsListed) {
    HKEY deviceMap = nullptr;
    HKEY serialComm = nullptr;
    DWORD created = 0;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP", 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &deviceMap, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegCreateKeyExW(deviceMap, L"SERIALCOMM", 0, nullptr, REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr,
                              &serialComm, &created),
              ERROR_SUCCESS);
    const wchar_t port[] = L"COM7";
    RegSetValueExW(serialComm, L"\\Device\\QuillfenTest0", 0, REG_SZ, reinterpret_cast<const BYTE*>(port),
                   sizeof port);
    const std::vector<SerialDeviceEntry> entries = ListSerialDevices(DeviceRoots{});
    RegDeleteValueW(serialComm, L"\\Device\\QuillfenTest0");
    RegCloseKey(serialComm);
    if (created == REG_CREATED_NEW_KEY) RegDeleteKeyW(deviceMap, L"SERIALCOMM");
    RegCloseKey(deviceMap);

    bool listed = false;
    for (const SerialDeviceEntry& entry : entries) listed = listed || (entry.path == "\\\\.\\COM7" && entry.number == 6);
    EXPECT_TRUE(listed);
}

TEST(WinPortNames, EveryComNumberUsesTheDeviceNamespace) {
    EXPECT_EQ(PlatformDeviceName(1), "\\\\.\\COM1");
    EXPECT_EQ(PlatformDeviceName(10), "\\\\.\\COM10");
    EXPECT_EQ(PlatformDeviceName(256), "\\\\.\\COM256");
    EXPECT_EQ(PlatformDeviceName(0), "");
    EXPECT_EQ(PlatformDeviceName(257), "");
}

}  // namespace
}  // namespace quillfen::test
