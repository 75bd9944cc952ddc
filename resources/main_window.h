#pragma once

#include "ui/template.h"

namespace kd::resources {

// The main window (102) and the About box (100).
extern const ui::DialogTemplate kMainWindowTemplate;
extern const ui::DialogTemplate kAboutBoxTemplate;

}  // namespace kd::resources
