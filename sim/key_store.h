#pragma once

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "files/whole_file.h"

namespace kd::sim {

// A request payload holds at most this much, so a key's record is kept within it; then
// every value that can be written can also be read back in one reply.
inline constexpr size_t kMaxRecordSize = 1016;

// Every key at its longest makes a state file of under 128 KiB; anything past the limit
// of a whole file read is not a state file.
inline constexpr size_t kMaxStateFileSize = files::kLargestFile;

struct KeyDefault {
    std::string_view name;
    std::string_view value;
    bool readOnly;  // set by the reader itself, never by a write over the line
};

// Every key the reader knows, in the order the state file lists them.
std::span<const KeyDefault> DefaultKeys();

// The reader's keys: live values that writes change, and the state file that a store
// saves and the next start loads.
class KeyStore {
  public:
    enum class WriteResult { Done, UnknownKey, ReadOnly, TooLong };

    KeyStore();

    bool Known(std::string_view name) const { return Find(name) != nullptr; }
    bool ReadOnly(std::string_view name) const;
    // The value, or nullptr for a name the reader does not know.
    const std::string* Find(std::string_view name) const;

    // A write over the line: read-only keys refuse it.
    WriteResult Write(std::string_view name, std::string_view value);
    // The simulator's own setting of any known key, read-only ones included.
    WriteResult Set(std::string_view name, std::string_view value);

    struct Entry {
        std::string name;
        std::string value;
        bool readOnly;
    };
    const std::vector<Entry>& Entries() const { return entries_; }

    // The state file holds the writable keys, one escaped key=value per line.
    std::string StateText() const;
    // Takes every line or none: on a malformed line nothing changes and error names the
    // line. Unknown and read-only keys are skipped.
    bool ApplyStateText(std::string_view text, std::string& error);

    // A missing file is not an error: the defaults stay. Anything but a regular file of
    // at most kMaxStateFileSize is.
    bool LoadState(const std::filesystem::path& file, std::string& error);
    // Replaces the file whole through a temporary file in its directory.
    bool SaveState(const std::filesystem::path& file, std::string& error) const;

  private:
    Entry* FindEntry(std::string_view name);

    std::vector<Entry> entries_;
};

// Bytes below 0x20, above 0x7E and '%' become %XX; in a key, '=' too.
std::string EscapeStateField(std::string_view text, bool isKey);
// False on a '%' not followed by two hex digits.
bool UnescapeStateField(std::string_view text, std::string& out);

}  // namespace kd::sim
