#pragma once

#include <string>

#include "protocol/upload.h"

namespace kd::provision {

// What an upload came to, in the words kdcfg's upload command and station print.
std::string DescribeUpload(UploadOutcome outcome, bool firmware, const std::string& fileName);

}  // namespace kd::provision
