#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/control_page.h"
#include "config/output_format_page.h"
#include "config/output_mode_page.h"
#include "config/symbology_page.h"

namespace kd {

// The five pages as Save reads them.
struct PageSettings {
    SymbologyPage::Settings symbology;
    OutputModePage::Settings mode;
    OutputFormatPage::Settings format;
    ControlPage::Settings control;
    std::string deviceNumber;
};

struct KeyWrite {
    std::string_view key;
    std::string value;
};

// What Save writes for these settings, in the order it writes them. Export writes the
// same values, so that a profile holds exactly what Save would send.
std::vector<KeyWrite> SaveWrites(const PageSettings& pages);

}  // namespace kd
