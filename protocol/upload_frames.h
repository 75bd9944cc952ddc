#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "protocol/frame.h"
#include "protocol/md5.h"

namespace kd {

// File data carried by one upload data frame; a full block makes a 1024-byte frame.
inline constexpr size_t kUploadBlockSize = 1012;
// The data of a block starts here in its frame, after header and block index.
inline constexpr size_t kUploadDataOffset = kRequestHeaderSize + 4;

inline constexpr std::string_view kFirmwareTargetName = "tesmor";
inline constexpr std::string_view kConfigTargetName = "tmconfig.config";

// Start frame: file length(4), target name length(2), name, digest length(2) = 16, digest.
// Returns its size, or 0 when it does not fit out.
size_t BuildUploadStartFrame(uint32_t fileLength, std::string_view targetName,
                             const Md5Digest& digest, std::span<uint8_t> out);

// Completes a data frame whose k file bytes already stand at out[kUploadDataOffset]:
// header with length k + 4, block index and check byte. Returns the frame size (k + 12),
// or 0 when k is 0, larger than a block, or the frame does not fit out.
size_t SealUploadDataFrame(uint32_t blockIndex, size_t dataLength, std::span<uint8_t> out);

// An acknowledgement of a data block: at least 13 bytes, status 0 and the block index
// echoed at offsets 8 to 11.
bool AcknowledgesBlock(std::span<const uint8_t> received, uint32_t blockIndex);

}  // namespace kd
