#pragma once

#include <string>

#include "files/whole_file.h"

namespace kd {

// Why a file could not be read or written, in the technician's words.
std::string DescribeFileFault(const files::Result& result);

}  // namespace kd
