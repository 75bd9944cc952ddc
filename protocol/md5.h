#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kd {

using Md5Digest = std::array<uint8_t, 16>;

// Streaming MD5 (RFC 1321): feed pieces of any size, then take the digest once.
class Md5 {
  public:
    Md5();
    void Update(std::span<const uint8_t> bytes);
    Md5Digest Finish();

  private:
    void Transform(const uint8_t* block);

    std::array<uint32_t, 4> state_;
    uint64_t totalBytes_ = 0;
    std::array<uint8_t, 64> pending_{};
    size_t pendingSize_ = 0;
};

Md5Digest Md5Of(std::span<const uint8_t> bytes);
std::string ToHex(std::span<const uint8_t> bytes);

}  // namespace kd
