#pragma once

#include <cstdio>
#include <optional>
#include <string>

#include "catalogue/profile.h"
#include "files/whole_file.h"

namespace kd::cli {

// The profile in the file, or none after saying on err why not (each fault of the text
// with its line).
std::optional<profile::Profile> LoadProfile(const std::string& path, std::FILE* err);

// files::ReplaceWhole: "" when done, else why not, starting with the path.
std::string ReplaceWhole(const std::string& path, const std::string& text);

// ReplaceWhole; false after saying on err why not.
bool SaveText(const std::string& path, const std::string& text, std::FILE* err);

}  // namespace kd::cli
