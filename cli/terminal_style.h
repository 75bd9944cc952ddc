#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Colour and width on a terminal: the one place that writes escape sequences for colour.
namespace kd::cli {

enum class ColorChoice { Auto, Always, Never };

// Whether a stream gets colour: as asked for always and never; for auto, when the stream
// is a terminal and NO_COLOR is unset or empty (noColor: its value, null when unset).
bool ColorWanted(ColorChoice choice, bool terminal, const char* noColor);

enum class Tone { Pass, Fail, Warning };

// text in the tone's colour (green, red, yellow) when color; text as it is otherwise.
std::string Paint(std::string_view text, Tone tone, bool color);

// A result word in its colour: PASS green, FAIL red, INTERRUPTED yellow; others as they are.
std::string PaintResult(std::string_view word, bool color);

// text cut to at most columns characters on the screen, counting UTF-8 characters and
// skipping colour sequences; a cut line ends in "...".
std::string FitToWidth(std::string_view text, size_t columns);

}  // namespace kd::cli
