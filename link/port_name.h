#pragma once

#include <string>

namespace kd {

// The path to open for a port on Windows: a bare "COMn" gets the device namespace prefix
// "\\.\", without which names past COM9 do not open. Any other text is used as given.
std::string WindowsPortPath(const std::string& name);

// What tells Windows ports apart: the device path, in one case ("COM10", "com10" and
// "\\.\COM10" open the same port).
std::string WindowsPortKey(const std::string& name);

// The same text for two port names exactly when they open the same device, one file per
// platform: on POSIX the device number of what the name leads to (through any links),
// on Windows the key above. A name the system cannot look up stands for itself.
std::string PortDeviceKey(const std::string& name);

}  // namespace kd
