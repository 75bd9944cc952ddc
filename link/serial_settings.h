#pragma once

#include <cstdint>
#include <string>

namespace kd {

// A port and its line settings, as the user picked them.
struct SerialSettings {
    std::string portPath;  // "\\.\COM1", a device-interface path, or /dev/ttyUSB0
    uint32_t baudRate = 9600;
    uint8_t byteSize = 8;         // 5 to 8
    std::string stopBits = "1";   // "1" or "2"; any other text keeps the port's setting
    std::string parity = "NONE";  // NONE, ODD, EVEN, MARK or SPACE; exact and case-sensitive
};

// Line time-outs in the terms of the Windows serial driver, applied the same way
// by both back ends.
struct LineTimeouts {
    uint32_t readIntervalMs = 50;
    uint32_t readTotalMultiplierMs = 10;
    uint32_t readTotalConstantMs = 1000;
    uint32_t writeTotalMultiplierMs = 10;
    uint32_t writeTotalConstantMs = 1000;
    // One byte's time on the line, in microseconds; 0 when the speed is not known.
    uint32_t byteTimeUs = 0;

    uint32_t ReadTotalMs(uint32_t bytes) const {
        return readTotalMultiplierMs * bytes + readTotalConstantMs;
    }
    uint32_t WriteTotalMs(uint32_t bytes) const {
        return writeTotalMultiplierMs * bytes + writeTotalConstantMs;
    }
};

// The designed time-outs, right for 2400 baud and faster.
inline constexpr LineTimeouts kLineTimeouts{};

enum class StopBitsSetting { One, Two, Keep };
enum class ParitySetting { None, Odd, Even, Mark, Space, Keep };

// Exact, case-sensitive readings of the texts; anything else keeps the port's value.
StopBitsSetting ParseStopBits(const std::string& text);
ParitySetting ParseParity(const std::string& text);

// Start, data, parity and stop bits of one byte on the line. A setting kept from the port
// counts at its longest, so time budgets built on it are never short.
uint32_t BitsPerByte(const SerialSettings& settings);

// The designed time-outs, with the write budget per byte and the pause that ends a read
// raised to at least twice the line's own byte time: at 110 or 300 baud a query takes
// longer on the wire than the designed 10 ms a byte, and bytes come further apart than
// 50 ms.
LineTimeouts TimeoutsForLine(const SerialSettings& settings);

}  // namespace kd
