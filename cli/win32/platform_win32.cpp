#include <windows.h>

#include <io.h>

#include "cli/platform.h"
#include "link/port_name.h"

namespace kd::cli {

// Ports are handles here, never C runtime descriptors, so none can land on 0 to 2.
bool GuardStandardDescriptors(std::string& /*error*/) {
    return true;
}

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

std::string PortDevicePath(const std::string& name) {
    return WindowsPortPath(name);
}

std::vector<std::string> MatchPortPattern(const std::string& pattern, std::string& error) {
    // COM ports are not files to match; name each with its own --port.
    error = "--ports '" + pattern + "': not available on Windows; give --port once per port";
    return {};
}

std::string DefaultConfigFile(const Environment& environment) {
    if (auto roaming = environment("APPDATA"); roaming && !roaming->empty()) {
        return *roaming + "\\kdcfg\\config";
    }
    return {};
}

}  // namespace kd::cli
