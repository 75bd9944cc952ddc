#include "cli/terminal_style.h"

#include <algorithm>

namespace kd::cli {

namespace {

const char* ColorCode(Tone tone) {
    switch (tone) {
        case Tone::Pass:
            return "\033[32m";
        case Tone::Fail:
            return "\033[31m";
        case Tone::Warning:
            break;
    }
    return "\033[33m";
}

constexpr char kReset[] = "\033[0m";

bool Continuation(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

}  // namespace

bool ColorWanted(ColorChoice choice, bool terminal, const char* noColor) {
    switch (choice) {
        case ColorChoice::Always:
            return true;
        case ColorChoice::Never:
            return false;
        case ColorChoice::Auto:
            break;
    }
    return terminal && (noColor == nullptr || *noColor == '\0');
}

std::string Paint(std::string_view text, Tone tone, bool color) {
    if (!color || text.empty()) {
        return std::string(text);
    }
    return ColorCode(tone) + std::string(text) + kReset;
}

std::string PaintResult(std::string_view word, bool color) {
    if (word == "PASS") {
        return Paint(word, Tone::Pass, color);
    }
    if (word == "FAIL") {
        return Paint(word, Tone::Fail, color);
    }
    if (word == "INTERRUPTED") {
        return Paint(word, Tone::Warning, color);
    }
    return std::string(word);
}

std::string FitToWidth(std::string_view text, size_t columns) {
    constexpr std::string_view kCut = "...";
    // Each piece is a colour sequence (no room) or one byte of a character.
    const auto sequenceEnd = [text](size_t at) {
        const size_t end = text.find('m', at);
        return end == std::string_view::npos ? text.size() : end + 1;
    };
    size_t width = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\033') {
            i = sequenceEnd(i) - 1;
        } else if (!Continuation(text[i])) {
            ++width;
        }
    }
    if (width <= columns) {
        return std::string(text);
    }
    const size_t keep = columns > kCut.size() ? columns - kCut.size() : 0;
    std::string fitted;
    size_t shown = 0;
    bool marked = false;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\033') {
            // Kept even past the cut, so that a colour is always reset.
            const size_t end = sequenceEnd(i);
            fitted.append(text.substr(i, end - i));
            i = end - 1;
            continue;
        }
        shown += Continuation(text[i]) ? 0 : 1;
        if (shown <= keep) {
            fitted.push_back(text[i]);
        } else if (!marked) {
            marked = true;
            fitted.append(kCut.substr(0, std::min(columns, kCut.size())));
        }
    }
    return fitted;
}

}  // namespace kd::cli
