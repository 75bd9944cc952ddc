#pragma once

#include <chrono>
#include <string>

namespace kd::provision {

// A moment as records and dumps carry it, in RFC 3339 form, which log shippers parse:
// "2026-12-08T15:50:00Z" (whole seconds, UTC).
std::string UtcText(std::chrono::system_clock::time_point when);

// Now, as UtcText gives it.
std::string UtcNow();

}  // namespace kd::provision
