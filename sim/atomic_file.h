#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kd::sim {

// Writes the bytes to a temporary file beside path, flushes it to the disk and renames
// it over path, so a reader of path sees the old content or the new, never a part.
// On failure the temporary file is removed and error says why.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error);

}  // namespace kd::sim
