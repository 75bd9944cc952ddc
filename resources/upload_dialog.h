#pragma once

#include "ui/template.h"

namespace kd::resources {

// The upload dialogs, one for firmware (141) and one for the configuration (142): the
// same controls under their own titles. The version rows serve only the firmware's.
extern const ui::DialogTemplate kFirmwareUploadTemplate;
extern const ui::DialogTemplate kConfigUploadTemplate;

}  // namespace kd::resources
