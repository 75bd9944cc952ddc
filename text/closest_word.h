#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace kd::text {

// The word of words that typed most likely meant, for a "did you mean" hint: the nearest
// by letters changed, added, dropped or swapped (any case): one edit away for a word of up
// to five letters, two for a longer one; the first in words on a tie. None when nothing
// is that near.
std::optional<std::string_view> ClosestWord(std::string_view typed,
                                            std::span<const std::string_view> words);

}  // namespace kd::text
