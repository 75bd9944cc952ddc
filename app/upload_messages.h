#pragma once

#include <string>

#include "protocol/upload.h"

namespace kd {

// What the technician is told at the end of an upload, in the window and its upload
// dialog alike. The configuration upload names the start step that failed by a digit
// in front.
std::string UploadMessage(UploadOutcome outcome, bool firmware);

}  // namespace kd
