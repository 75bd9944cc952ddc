#include "link/serial_settings.h"

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

}  // namespace kd
