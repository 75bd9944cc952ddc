#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/settings_page.h"

namespace kd {

// The five pages as Save reads them: the value of each key they write (see
// SettingsPage::Current) and the routes whose boxes are checked, in the boxes' order.
struct PageSettings {
    KeyValues values;
    std::vector<std::string_view> routes;
};

struct KeyWrite {
    std::string_view key;
    std::string value;
};

// What Save writes for these settings, in the order it writes them. Export writes the
// same values, so that a profile holds exactly what Save would send.
std::vector<KeyWrite> SaveWrites(const PageSettings& pages);

}  // namespace kd
