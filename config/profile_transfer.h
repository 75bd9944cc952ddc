#pragma once

#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "config/save_writes.h"
#include "config/settings_page.h"

// Between the settings dialog's pages and a profile file: the text an export writes and
// the checks an import passes before it touches a page.
namespace kd::profile_transfer {

// The keys the reader sets itself, as the pages show them: exported with the rest, as
// a dump has them, and never imported.
struct ReaderSet {
    std::string version;
    std::string factoryTime;
};

// The profile of what Save would send, in catalogue order, with the reader's own keys.
std::string ExportText(const std::vector<KeyWrite>& writes, const ReaderSet& readerSet);

// The profile's writable keys and values, or why it cannot be imported: a fault of the
// text, a key the catalogue does not know, a value the key may not take. Each problem
// names its line and key.
struct Checked {
    std::optional<KeyValues> values;
    std::vector<std::string> problems;
};
Checked CheckText(std::string_view text);

// The keys whose value Save would not send as the profile gives it, once the pages show
// the profile: the pages cannot show that value beside the profile's other settings.
// A key Save would not send at all under those settings is left out, as a load from
// the reader leaves it out.
std::vector<std::string> Unshown(const KeyValues& values, const std::vector<KeyWrite>& writes);

// The keys Save would send empty only because neither the profile nor the reader gave
// them: a profile that turns on what the reader had off (the serial route, say) without
// its settings. Saving would wipe those settings on the reader.
std::vector<std::string> Ungiven(const KeyValues& values, const std::vector<KeyWrite>& writes,
                                 const std::set<std::string, std::less<>>& readFromReader);

}  // namespace kd::profile_transfer
