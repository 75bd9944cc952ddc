#pragma once

#include <string>

namespace kd {

// The path to open for a port on Windows: a bare "COMn" gets the device namespace prefix
// "\\.\", without which names past COM9 do not open. Any other text is used as given.
std::string WindowsPortPath(const std::string& name);

}  // namespace kd
