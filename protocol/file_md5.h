#pragma once

#include <string>

#include "protocol/md5.h"

namespace kd {

// The MD5 of a whole file, read in pieces of 1024 bytes. A file that cannot be opened
// yields the digest of empty input.
Md5Digest FileMd5(const std::string& fileName);

}  // namespace kd
