#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Whole profile files by UTF-8 path. On Windows they are opened by their UTF-16 names,
// so a path with Chinese characters works whatever the PC's code page.
namespace kd::profile_file {

// A profile is a few kilobytes; a larger file is not one.
inline constexpr size_t kLargestProfile = 1 << 20;

// The file's bytes; false with error saying why not, in words for the technician.
bool Read(const std::string& path, std::string& bytes, std::string& error);
// Writes bytes as the whole file; false with error saying why not. The old file stays
// whole until the new one is: it is written beside it, then takes its place.
bool Write(const std::string& path, std::string_view bytes, std::string& error);

}  // namespace kd::profile_file
