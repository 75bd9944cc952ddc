#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace kd::sim {

// Writes the bytes to a temporary file beside path, flushes it to the disk and renames
// it over path, so a reader of path sees the old content or the new, never a part.
// A symlink is followed: the file it names is replaced and the link stays. The file
// keeps its permissions; anything but a regular file in the way is refused. On failure
// the temporary file is removed and error says why.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const uint8_t> bytes,
                         std::string& error);

enum class ReadResult { Read, Missing, Failed };

// The whole content of a regular file of at most maxBytes. A missing file is not an
// error; a directory, a device, a fifo or a larger file is, and error says which.
ReadResult ReadSmallFile(const std::filesystem::path& path, size_t maxBytes, std::string& content,
                         std::string& error);

}  // namespace kd::sim
