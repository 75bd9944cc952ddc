#include "text/closest_word.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace kd::text {

namespace {

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// Edits from a to b, a swap of two neighbours counting as one.
size_t Distance(std::string_view a, std::string_view b) {
    const size_t width = b.size() + 1;
    std::vector<size_t> d((a.size() + 1) * width);
    for (size_t i = 0; i <= a.size(); ++i) {
        for (size_t j = 0; j <= b.size(); ++j) {
            size_t& at = d[i * width + j];
            if (i == 0 || j == 0) {
                at = i + j;
                continue;
            }
            const size_t change = SameLetter(a[i - 1], b[j - 1]) ? 0 : 1;
            at = std::min({d[(i - 1) * width + j] + 1, d[i * width + j - 1] + 1,
                           d[(i - 1) * width + j - 1] + change});
            if (i > 1 && j > 1 && SameLetter(a[i - 1], b[j - 2]) &&
                SameLetter(a[i - 2], b[j - 1])) {
                at = std::min(at, d[(i - 2) * width + j - 2] + 1);
            }
        }
    }
    return d.back();
}

}  // namespace

std::optional<std::string_view> ClosestWord(std::string_view typed,
                                            std::span<const std::string_view> words) {
    // Two edits from a short word reach almost any other short word.
    const size_t allowed = std::min<size_t>(2, std::max<size_t>(1, typed.size() / 3));
    std::optional<std::string_view> best;
    size_t bestDistance = allowed + 1;
    for (std::string_view word : words) {
        if (const size_t distance = Distance(typed, word); distance < bestDistance) {
            best = word;
            bestDistance = distance;
        }
    }
    return best;
}

}  // namespace kd::text
