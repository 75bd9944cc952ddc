#pragma once

#include <optional>
#include <string_view>

namespace kd::provision {

// Why one key could not be read or written.
enum class KeyError {
    Refused,       // the reader answered with a non-zero status
    NoValidReply,  // a reply came, but short or malformed
    ReaderGone,    // nothing came back, or the port failed: nothing more is asked
    NotAsked,      // left out because the reader had gone before
};

// The error an exchange's result stands for; none for success.
std::optional<KeyError> FromExchange(int result);
std::string_view Describe(KeyError error);
// A short word for machine-readable output.
std::string_view Code(KeyError error);

}  // namespace kd::provision
