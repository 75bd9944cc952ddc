#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "config/profile.h"

namespace kd::cli {

// The profile in the file, or none after saying on err why not (each fault with its
// line).
std::optional<profile::Profile> LoadProfile(const std::string& path, std::FILE* err);

// Writes text to a new file beside path and renames it over path, so path holds the old
// content or the new one, never a part; a symlink keeps pointing at the replaced file, and
// a device or a pipe is written as it is. "" when done, else why not.
std::string ReplaceWhole(const std::string& path, const std::string& text);

// ReplaceWhole; false after saying on err why not.
bool SaveText(const std::string& path, const std::string& text, std::FILE* err);

// "2026-12-08 15:50:00 UTC"
std::string UtcNow();

}  // namespace kd::cli
