#include "link/serial_settings.h"

#include <algorithm>

namespace kd {

StopBitsSetting ParseStopBits(const std::string& text) {
    if (text == "1") {
        return StopBitsSetting::One;
    }
    if (text == "2") {
        return StopBitsSetting::Two;
    }
    return StopBitsSetting::Keep;
}

ParitySetting ParseParity(const std::string& text) {
    if (text == "NONE") {
        return ParitySetting::None;
    }
    if (text == "ODD") {
        return ParitySetting::Odd;
    }
    if (text == "EVEN") {
        return ParitySetting::Even;
    }
    if (text == "MARK") {
        return ParitySetting::Mark;
    }
    if (text == "SPACE") {
        return ParitySetting::Space;
    }
    return ParitySetting::Keep;
}

uint32_t BitsPerByte(const SerialSettings& settings) {
    constexpr uint32_t kStartBits = 1;
    constexpr uint32_t kLongestData = 8;
    const uint32_t data =
        settings.byteSize >= 5 && settings.byteSize <= 8 ? settings.byteSize : kLongestData;
    const uint32_t parity = ParseParity(settings.parity) == ParitySetting::None ? 0 : 1;
    const uint32_t stop = ParseStopBits(settings.stopBits) == StopBitsSetting::One ? 1 : 2;
    return kStartBits + data + parity + stop;
}

LineTimeouts TimeoutsForLine(const SerialSettings& settings) {
    LineTimeouts timeouts = kLineTimeouts;
    if (settings.baudRate == 0) {
        return timeouts;
    }
    // Twice the byte time, in whole milliseconds rounded up.
    const uint64_t twiceByteTime =
        (uint64_t{2} * BitsPerByte(settings) * 1000 + settings.baudRate - 1) / settings.baudRate;
    timeouts.writeTotalMultiplierMs =
        static_cast<uint32_t>(std::max<uint64_t>(timeouts.writeTotalMultiplierMs, twiceByteTime));
    timeouts.readIntervalMs =
        static_cast<uint32_t>(std::max<uint64_t>(timeouts.readIntervalMs, twiceByteTime));
    timeouts.byteTimeUs = static_cast<uint32_t>(
        (uint64_t{BitsPerByte(settings)} * 1'000'000 + settings.baudRate - 1) / settings.baudRate);
    return timeouts;
}

}  // namespace kd
