#pragma once

#include <string>

namespace kd::provision {

// Now, as records and dumps carry it: "2026-12-08 15:50:00 UTC"
std::string UtcNow();

}  // namespace kd::provision
