// The frame decoder against frames written out by hand, fed as a line splits and joins them.
#include <gtest/gtest.h>

#include <sstream>

#include "protocol/frame_words.h"

namespace kd {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::istringstream in(text);
    for (std::string pair; in >> pair;) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(pair, nullptr, 16)));
    }
    return bytes;
}

Bytes Join(std::initializer_list<std::string> frames) {
    Bytes all;
    for (const std::string& frame : frames) {
        const Bytes bytes = Hex(frame);
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    return all;
}

// "words | hex" of each frame, reads cut every step bytes, and what a flush gives at the end.
std::vector<std::string> Decode(FrameDecoder& decoder, LineDirection direction, const Bytes& bytes,
                                size_t step) {
    std::vector<std::string> told;
    auto keep = [&](const std::vector<DecodedFrame>& frames) {
        for (const DecodedFrame& frame : frames) {
            told.push_back(frame.words + " | " + HexBytes(frame.bytes));
        }
    };
    for (size_t at = 0; at < bytes.size(); at += step) {
        const size_t count = std::min(step, bytes.size() - at);
        keep(decoder.Feed(direction, std::span(bytes).subspan(at, count)));
    }
    keep(decoder.Flush(direction));
    return told;
}

constexpr char kReadRequest[] = "66 BB EE 08 00 08 00 77 6F 72 6B 6D 6F 64 65 31";
constexpr char kReadReply[] = "66 BB EE 08 00 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 0D";
constexpr char kWriteRequest[] = "66 BB EE 07 00 0C 00 08 77 6F 72 6B 6D 6F 64 65 01 00 31 02";
constexpr char kStore[] = "66 BB EE 09 00 00 00 3A";

TEST(FrameWords, RequestsReadTheSameHoweverTheWritesCutThem) {
    const Bytes sent =
        Join({"68 DD DD 01 00 00 00 69", "77 CC DD 08 00 09 00 6D 61 73 74 65 72 76 65 72 1A",
              kReadRequest, kWriteRequest, kStore});
    const std::vector<std::string> expected = {
        "handshake | 68 DD DD 01 00 00 00 69",
        "query \"masterver\" | 77 CC DD 08 00 09 00 6D 61 73 74 65 72 76 65 72 1A",
        "read key \"workmode\" | " + std::string(kReadRequest),
        "write \"workmode=1\" | " + std::string(kWriteRequest),
        "store | " + std::string(kStore),
    };
    for (size_t step : {sent.size(), size_t{1}, size_t{5}, size_t{64}}) {
        FrameDecoder decoder;
        EXPECT_EQ(Decode(decoder, LineDirection::Sent, sent, step), expected) << step;
    }
}

TEST(FrameWords, RepliesAmidNoiseAndWithoutCheckByte) {
    // Noise before a reply; a reply without its check byte followed at once by another; a
    // refusal; a value the escape rule must show; a reply whose check byte never comes.
    const Bytes received =
        Join({"A5 A5", kReadReply, "66 BB EE 09 00 00 00 00", "66 BB EE 07 00 01 00 00 35",
              "66 BB EE 08 00 00 0D 00 08 64 65 76 69 63 65 6E 6F 02 00 01 41 65",
              "68 DD DD 01 00 00 03 00 01 02 03"});
    for (size_t step : {received.size(), size_t{1}, size_t{7}}) {
        FrameDecoder decoder;
        const auto told = Decode(decoder, LineDirection::Received, received, step);
        ASSERT_GE(told.size(), 6u) << step;
        EXPECT_EQ(told.front(),
                  step == 1 ? "bytes that are no frame | A5" : "bytes that are no frame | A5 A5");
        const std::vector<std::string> tail(told.end() - 5, told.end());
        EXPECT_EQ(tail, (std::vector<std::string>{
                            "reply \"workmode=1\" | " + std::string(kReadReply),
                            "store done, no check byte | 66 BB EE 09 00 00 00 00",
                            "write refused (status 1) | 66 BB EE 07 00 01 00 00 35",
                            "reply \"deviceno=\\x01A\" | 66 BB EE 08 00 00 0D 00 08 64 65 76 69 "
                            "63 65 6E 6F 02 00 01 41 65",
                            "handshake reply, no check byte | 68 DD DD 01 00 00 03 00 01 02 03"}))
            << step;
    }
}

TEST(FrameWords, AnUploadIsCountedInBlocks) {
    FrameDecoder decoder;
    const auto start = decoder.Feed(
        LineDirection::Sent,
        Hex("68 DD DD EA EA 1E 00 88 13 00 00 06 00 74 65 73 6D 6F 72 10 00 00 01 02 03 04 05 06 "
            "07 08 09 0A 0B 0C 0D 0E 0F E9"));
    ASSERT_EQ(start.size(), 1u);
    EXPECT_EQ(start[0].words,
              "upload start \"tesmor\", 5000 bytes in 5 blocks, md5 00 01 02 03 04 05 06 07 08 09 "
              "0A 0B 0C 0D 0E 0F");
    decoder.Feed(LineDirection::Received, Hex("68 DD DD EA EA 00 00 00"));
    const auto block =
        decoder.Feed(LineDirection::Sent, Hex("68 DD DD DA DA 07 00 02 00 00 00 AA BB CC B0"));
    // Sending the block ends the start's reply, which is given first.
    ASSERT_EQ(block.size(), 2u);
    EXPECT_EQ(block[0].words, "upload start taken, no check byte");
    EXPECT_EQ(block[1].words, "upload block 3 of 5 (3 bytes)");
    const auto ack =
        decoder.Feed(LineDirection::Received, Hex("68 DD DD DA DA 00 04 00 02 00 00 00 6E"));
    ASSERT_EQ(ack.size(), 1u);
    EXPECT_EQ(ack[0].words, "block 3 of 5 acknowledged");
}

TEST(FrameWords, WhatCannotBeAFrameIsToldAsSuch) {
    FrameDecoder decoder;
    // A header announcing more than any frame holds is no frame; the frame after it is one.
    const Bytes bogus = Join({"66 BB EE 08 00 00 FF FF", kReadReply});
    const auto told = Decode(decoder, LineDirection::Received, bogus, bogus.size());
    EXPECT_EQ(told,
              (std::vector<std::string>{"bytes that are no frame | 66 BB EE 08 00 00 FF FF",
                                        "reply \"workmode=1\" | " + std::string(kReadReply)}));
    // A frame that stops halfway is given at the flush, cut short, and not as a frame.
    EXPECT_TRUE(
        decoder.Feed(LineDirection::Received, Hex("66 BB EE 08 00 00 0C 00 08 77")).empty());
    const auto cut = decoder.Flush(LineDirection::Received);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_FALSE(cut[0].isFrame);
    EXPECT_EQ(cut[0].words, "read key cut short (10 of 21 bytes)");
    // A request with a wrong check byte keeps it and says so.
    const auto wrong = decoder.Feed(LineDirection::Sent, Hex("66 BB EE 09 00 00 00 3B"));
    ASSERT_EQ(wrong.size(), 1u);
    EXPECT_EQ(wrong[0].words, "store, wrong check byte");
}

}  // namespace
}  // namespace kd
