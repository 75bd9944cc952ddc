#include "protocol/file_md5.h"

#include <array>
#include <cstdio>
#include <memory>

namespace kd {

Md5Digest FileMd5(const std::string& fileName) {
    Md5 md5;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(fileName.c_str(), "rb"),
                                                         &std::fclose);
    if (file) {
        std::array<uint8_t, 1024> piece;
        size_t got;
        while ((got = std::fread(piece.data(), 1, piece.size(), file.get())) > 0) {
            md5.Update(std::span(piece).first(got));
        }
    }
    return md5.Finish();
}

}  // namespace kd
