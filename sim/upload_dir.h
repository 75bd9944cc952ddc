#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace kd::sim {

// A file name for an upload target that stays inside its directory: bytes outside
// [A-Za-z0-9._-] become '_', a leading '.' too, and long names are cut.
std::string SafeFileName(std::string_view target);

// Writes the image whole into dir under its target's safe name. Returns the path kept,
// or an empty path with error set.
std::filesystem::path KeepUpload(const std::filesystem::path& dir, std::string_view target,
                                 std::span<const uint8_t> image, std::string& error);

}  // namespace kd::sim
