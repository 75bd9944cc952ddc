#include "text/system_text.h"

namespace kd::text {

// Linux's device names are UTF-8, or bytes that the escape rule shows as they are.
std::string SystemTextToUtf8(std::string_view text) {
    return std::string(text);
}

}  // namespace kd::text
