#pragma once

#include <string>

namespace kd::cli {

// kdcfg's bash completion script: commands, each command's options and the line options,
// made from the command line ParseOptions builds; key names from the catalogue after get
// and set (set: KEY=); port paths after an option that names a port; files after an
// option that names a file and for diff's, apply's and the uploads' arguments.
std::string BashCompletionScript();

}  // namespace kd::cli
