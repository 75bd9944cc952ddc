#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/frame.h"
#include "protocol/md5.h"

// Reading the fields of a request as the modelled reader takes it, and naming it for the
// frame log.
namespace kd::sim {

std::string_view AsText(std::span<const uint8_t> bytes);

// Names and values from the line may hold any byte; notes stay on one printable line.
std::string Printable(std::string_view text);

std::vector<uint8_t> Le32(uint32_t value);

struct UploadStartFields {
    uint32_t length;
    std::string_view target;
    Md5Digest digest;
};

// File length(4) name length(2) name digest length(2) = 16 digest, nothing after.
std::optional<UploadStartFields> ParseUploadStart(std::span<const uint8_t> payload);

bool Is(const Magic& magic, CommandCode code, const Magic& wantMagic, CommandCode wantCode);

// What a request asks for, without acting on it.
std::string DescribeRequest(const Magic& magic, CommandCode code, std::span<const uint8_t> payload);

}  // namespace kd::sim
