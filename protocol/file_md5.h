#pragma once

#include <cstdint>
#include <cstdio>

#include "protocol/md5.h"

namespace kd {

// The MD5 of an open file from where it stands to its end, read in pieces of 1024 bytes,
// and how many bytes that was. False when a read fails.
bool FileMd5(std::FILE* file, Md5Digest& digest, uint64_t& length);

}  // namespace kd
