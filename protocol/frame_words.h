#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// Frames on the line told in words, for the trace, -v and the window's frame log: one
// decoder, so that all of them say the same thing about the same bytes.
namespace kd {

enum class LineDirection { Sent, Received };

struct DecodedFrame {
    LineDirection direction = LineDirection::Sent;
    std::vector<uint8_t> bytes;
    // "handshake", "read key \"workmode\"", "reply \"workmode=1\"", "upload block 13 of 260
    // (1012 bytes)", "bytes that are no frame" and the like; values through the escape rule.
    std::string words;
    bool isFrame = true;  // false for noise and for a frame cut short
};

// Cuts the bytes of each direction into frames, however the reads and writes split or
// join them. Bytes that cannot begin a frame are given back as "bytes that are no frame".
class FrameDecoder {
  public:
    // Takes the bytes of one write or read; returns the frames they completed. Sending
    // ends the reply before it: a reply that came without its check byte is given then.
    std::vector<DecodedFrame> Feed(LineDirection direction, std::span<const uint8_t> bytes);
    // Gives what a direction holds back: a reply still waiting for its check byte, a frame
    // cut short, the start of a frame's header.
    std::vector<DecodedFrame> Flush(LineDirection direction);

  private:
    struct Stream {
        LineDirection direction;
        std::vector<uint8_t> held;
        std::vector<uint8_t> noise;
    };

    Stream& Of(LineDirection direction) {
        return direction == LineDirection::Sent ? sent_ : received_;
    }
    void Cut(Stream& stream, bool final, std::vector<DecodedFrame>& out);
    void TakeNoise(Stream& stream, size_t count);
    void GiveNoise(Stream& stream, std::vector<DecodedFrame>& out);
    std::string Words(LineDirection direction, std::span<const uint8_t> frame);

    Stream sent_{LineDirection::Sent, {}, {}};
    Stream received_{LineDirection::Received, {}, {}};
    uint32_t uploadBlocks_ = 0;  // of the upload last started; 0: none seen
};

// Upper-case hex bytes separated by spaces: "68 DD DD".
std::string HexBytes(std::span<const uint8_t> bytes);

}  // namespace kd
