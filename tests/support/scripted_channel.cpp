#include "tests/support/scripted_channel.h"

#include <cstdio>
#include <sstream>

namespace kd::test {

std::vector<uint8_t> Hex(const std::string& text) {
    std::vector<uint8_t> bytes;
    std::istringstream in(text);
    std::string item;
    while (in >> item) {
        bytes.push_back(static_cast<uint8_t>(std::stoul(item, nullptr, 16)));
    }
    return bytes;
}

std::string HexOf(const std::vector<uint8_t>& bytes) {
    std::string text;
    char piece[4];
    for (uint8_t b : bytes) {
        std::snprintf(piece, sizeof(piece), "%02X ", b);
        text += piece;
    }
    if (!text.empty()) {
        text.pop_back();
    }
    return text;
}

std::vector<uint8_t> Bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace kd::test
