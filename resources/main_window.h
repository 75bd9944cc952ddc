#pragma once

#include "ui/template.h"

namespace kd::resources {

// The main window (102) and the About box (100).
extern const ui::DialogTemplate kMainWindowTemplate;
extern const ui::DialogTemplate kAboutBoxTemplate;
// The frame log (140), a window beside the main window.
extern const ui::DialogTemplate kFrameLogTemplate;
extern const ui::DialogTemplate kScanTestTemplate;

}  // namespace kd::resources
