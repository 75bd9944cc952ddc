// The portable parts of the serial line: write chunking, time-outs by line speed,
// Windows port names.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "link/chunked_write.h"
#include "link/port_name.h"
#include "link/serial_settings.h"

namespace kd {
namespace {

TEST(WriteInChunks, SendsPiecesOf64AndStopsAtTheFirstFailure) {
    std::vector<uint8_t> frame(130);
    std::vector<int32_t> sizes;
    const auto record = [&](const uint8_t* chunk, int32_t size) {
        sizes.push_back(size);
        return chunk == frame.data() + 64 * (sizes.size() - 1);
    };
    EXPECT_EQ(WriteInChunks(frame.data(), 130, record), 130);
    EXPECT_EQ(sizes, (std::vector<int32_t>{64, 64, 2}));

    int calls = 0;
    const auto failSecond = [&](const uint8_t*, int32_t) { return ++calls != 2; };
    EXPECT_LT(WriteInChunks(frame.data(), 130, failSecond), 1);
    EXPECT_EQ(calls, 2);
}

TEST(TimeoutsForLine, WriteBudgetCoversTheLinesOwnByteTime) {
    SerialSettings line;
    // From 2400 baud up the designed 10 ms a byte is already twice the byte time or more.
    for (uint32_t baud : {2400u, 9600u, 115200u, 250000u}) {
        line.baudRate = baud;
        EXPECT_EQ(TimeoutsForLine(line).writeTotalMultiplierMs, 10u) << baud;
        EXPECT_EQ(TimeoutsForLine(line).readIntervalMs, 50u) << baud;
    }
    // 8N1 at 110 baud: 10 bits, 90.9 ms a byte on the wire; twice that, rounded up.
    line.baudRate = 110;
    EXPECT_EQ(TimeoutsForLine(line).writeTotalMultiplierMs, 182u);
    // Its bytes come 91 ms apart: a read may not end between two of them.
    EXPECT_EQ(TimeoutsForLine(line).readIntervalMs, 182u);
    // 8E2 at 300 baud: 12 bits, 40 ms a byte.
    line.baudRate = 300;
    line.parity = "EVEN";
    line.stopBits = "2";
    EXPECT_EQ(TimeoutsForLine(line).writeTotalMultiplierMs, 80u);
    // Settings kept from the port count at their longest: 1 + 8 + 1 + 2 bits.
    line.parity = "even";
    line.stopBits = "1.5";
    line.byteSize = 0;
    EXPECT_EQ(BitsPerByte(line), 12u);
    // The read's total time-out stays the designed one.
    EXPECT_EQ(TimeoutsForLine(line).ReadTotalMs(65), 1650u);
}

// Port name in, device path out: a bare "COMn" in any case gets the device namespace,
// without which names past COM9 do not open; anything else is opened as given.
TEST(WindowsPortPath, BareComNamesGetTheDeviceNamespace) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"COM10", "\\\\.\\COM10"},
        {"COM3", "\\\\.\\COM3"},
        {"com3", "\\\\.\\com3"},
        {"com12", "\\\\.\\com12"},
        {"\\\\.\\COM10", "\\\\.\\COM10"},
        {"\\\\.\\COM12", "\\\\.\\COM12"},
        {"\\\\?\\usb#vid_0525&pid_a4ac", "\\\\?\\usb#vid_0525&pid_a4ac"},
        {"COM", "COM"},
        {"COM1:", "COM1:"},
        {"COMX", "COMX"},
        {"COM1a", "COM1a"},
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"", ""},
    };
    for (const auto& [name, path] : cases) {
        EXPECT_EQ(WindowsPortPath(name), path) << name;
    }
}

}  // namespace
}  // namespace kd
