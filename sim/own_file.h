#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include "files/whole_file.h"

// The simulator's own files, its state and the uploads it keeps, read and written whole
// through files/, with the simulator's words for what went wrong.
namespace kd::sim {

// Only a regular file is replaced: a device or a pipe in the way is a mistake, not an
// output. A link to nothing names the file to create.
inline constexpr files::ReplaceRules kOwnFileRules{.devicesInPlace = false,
                                                   .createThroughDanglingLink = true};

// Makes bytes the whole content of path (see files::ReplaceWhole); on failure error says
// why, naming path.
bool ReplaceOwnFile(const std::filesystem::path& path, std::string_view bytes, std::string& error);

enum class ReadResult { Read, Missing, Failed };

// The whole content of a regular file of at most files::kLargestFile bytes. A missing
// file is not an error; a folder, a device, a pipe or a larger file is, and error says
// which, naming path.
ReadResult ReadOwnFile(const std::filesystem::path& path, std::string& content, std::string& error);

}  // namespace kd::sim
