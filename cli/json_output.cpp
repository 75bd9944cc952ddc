#include "cli/json_output.h"

#include "text/escape.h"

namespace kd::cli {

std::string Shown(std::string_view bytes) {
    return text::EscapeText(bytes, text::Blanks::EscapeAtEdges);
}

std::string ShownName(std::string_view bytes) {
    return text::EscapeSystemText(bytes, text::Blanks::EscapeAtEdges);
}

std::string Parenthesized(std::string_view text) {
    std::string shown(1, '(');
    shown += text;
    shown += ')';
    return shown;
}

void PrintJson(const nlohmann::json& document, std::FILE* out) {
    // Names taken from a profile as they stand may hold bytes that are not UTF-8.
    const std::string text =
        document.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) + "\n";
    std::fwrite(text.data(), 1, text.size(), out);
}

}  // namespace kd::cli
