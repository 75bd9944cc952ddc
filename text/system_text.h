#pragma once

#include <string>
#include <string_view>

namespace kd::text {

// A text the system handed to the program's narrow-character calls (device names from the
// port search) as UTF-8: on Windows it comes in the ANSI code page, elsewhere it is UTF-8
// already. A text that does not convert is returned as it came, for the escape rule to
// show byte by byte.
std::string SystemTextToUtf8(std::string_view text);

}  // namespace kd::text
