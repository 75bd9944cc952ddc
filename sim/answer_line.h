#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kd::sim {

// The line settings a modelled reader answers on. On a pseudo-terminal the kernel keeps,
// of what the other side set, the speed, the stop bits and the odd-parity flag; it clears
// the parity enable and forces 8 data bits. Only those three can be checked there.
// What comes back to a request on other settings: nothing, or the noise a reader at
// another speed makes of its reply.
enum class WrongLineNoise { None, Zeros, Ones, Random };

// The noise bytes sent for each request on other settings, as many as a handshake reply.
inline constexpr size_t kWrongLineNoiseBytes = 12;

struct AnswerLine {
    uint32_t rate = 0;  // 0: any speed
    std::optional<bool> oddParity;
    std::optional<int> stopBits;
    WrongLineNoise noise = WrongLineNoise::None;

    bool Any() const { return rate == 0 && !oddParity && !stopBits; }
};

// Takes a framing a pseudo-terminal can show: 8N1, 8N2, 8O1 or 8O2.
bool ParseAnswerFraming(std::string_view text, AnswerLine& line);

// Why a request that came on fd's present settings is not answered, or "" when it is.
std::string RefusedLine(int fd, const AnswerLine& line);

}  // namespace kd::sim
