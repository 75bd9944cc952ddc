#include "protocol/file_md5.h"

#include <array>

namespace kd {

bool FileMd5(std::FILE* file, Md5Digest& digest, uint64_t& length) {
    Md5 md5;
    length = 0;
    std::array<uint8_t, 1024> piece;
    size_t got;
    while ((got = std::fread(piece.data(), 1, piece.size(), file)) > 0) {
        md5.Update(std::span(piece).first(got));
        length += got;
    }
    if (std::ferror(file) != 0) {
        return false;
    }
    digest = md5.Finish();
    return true;
}

}  // namespace kd
