#pragma once

#include <string_view>

#include "ui/template.h"

namespace kd::resources {

// The settings dialog (130) and its pages (131 to 135).
extern const ui::DialogTemplate kConfigDialogTemplate;
extern const ui::DialogTemplate kAboutPageTemplate;
extern const ui::DialogTemplate kSymbologyPageTemplate;
extern const ui::DialogTemplate kControlPageTemplate;
extern const ui::DialogTemplate kOutputFormatPageTemplate;
extern const ui::DialogTemplate kOutputModePageTemplate;

// The entries of the output mode page's line-setting lists, which the page loads into
// its combo boxes when it is created.
inline constexpr std::string_view kBaudRateEntries[] = {
    "110",  "134",   "150",   "300",   "600",   "1200",  "1800",   "2400",   "4800",  "7200",
    "9600", "14400", "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
inline constexpr std::string_view kStopBitsEntries[] = {"1", "2"};
inline constexpr std::string_view kByteSizeEntries[] = {"5", "6", "7", "8"};
inline constexpr std::string_view kParityEntries[] = {"NONE", "ODD", "EVEN", "MARK", "SPACE"};

}  // namespace kd::resources
