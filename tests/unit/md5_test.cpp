#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "protocol/file_md5.h"
#include "protocol/md5.h"

namespace kd {
namespace {

std::string Md5Hex(const std::string& text) {
    return ToHex(Md5Of({reinterpret_cast<const uint8_t*>(text.data()), text.size()}));
}

TEST(Md5, Rfc1321TestSuite) {
    EXPECT_EQ(Md5Hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(Md5Hex("a"), "0cc175b9c0f1b6a831c399e269772661");
    EXPECT_EQ(Md5Hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(Md5Hex("message digest"), "f96b697d7cb7938d525a2f31aaf161d0");
    EXPECT_EQ(Md5Hex("abcdefghijklmnopqrstuvwxyz"), "c3fcd3d76192e4007dfb496cca67e13b");
    EXPECT_EQ(Md5Hex("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"),
              "d174ab98d277d9f5a5611c2c9f419d9f");
    EXPECT_EQ(Md5Hex("1234567890123456789012345678901234567890123456789012345678901234567890"
                     "1234567890"),
              "57edf4a22be3c955ac49da2e2107b67a");
}

TEST(Md5, PiecesOfAnySizeGiveTheSameDigest) {
    std::vector<uint8_t> data(5000);
    for (size_t i = 0; i < data.size(); ++i) {
        data[i] = static_cast<uint8_t>(i * 31 + 7);
    }
    const Md5Digest whole = Md5Of(data);
    for (size_t piece : {1u, 55u, 56u, 63u, 64u, 65u, 1024u}) {
        Md5 md5;
        for (size_t at = 0; at < data.size(); at += piece) {
            md5.Update(std::span(data).subspan(at, std::min(piece, data.size() - at)));
        }
        EXPECT_EQ(md5.Finish(), whole) << piece;
    }
}

TEST(FileMd5, AgreesWithMd5sumOnAOneMebibyteFile) {
    const auto path = std::filesystem::temp_directory_path() / "kd_md5_test.bin";
    {
        std::ofstream out(path, std::ios::binary);
        uint32_t state = 12345;
        for (int i = 0; i < 1 << 20; ++i) {
            state = state * 1103515245u + 12345u;
            out.put(static_cast<char>(state >> 16));
        }
    }
    std::string expected(32, '\0');
    std::FILE* pipe = ::popen(("md5sum " + path.string()).c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    ASSERT_EQ(std::fread(expected.data(), 1, expected.size(), pipe), expected.size());
    ::pclose(pipe);
    std::FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Md5Digest digest{};
    uint64_t length = 0;
    EXPECT_TRUE(FileMd5(file, digest, length));
    std::fclose(file);
    EXPECT_EQ(ToHex(digest), expected);
    EXPECT_EQ(length, 1u << 20);
    std::filesystem::remove(path);
}

TEST(FileMd5, AFailedReadIsAFailureNotTheDigestOfWhatCame) {
    // A directory opens as a stream on Linux; reading it fails.
    std::FILE* file = std::fopen(std::filesystem::temp_directory_path().c_str(), "rb");
    ASSERT_NE(file, nullptr);
    Md5Digest digest{};
    uint64_t length = 0;
    EXPECT_FALSE(FileMd5(file, digest, length));
    std::fclose(file);
}

}  // namespace
}  // namespace kd
