#include "cli/commands/ports.h"
#include "link/port_enumeration.h"
#include "link/win32/serial_enumeration_platform_win32.h"
#include "text/system_text.h"

namespace kd::cli {

// The window's own search, busy ports included.
bool ListMachinePorts(std::vector<ListedPort>& ports, std::string& error) {
    SerialEnumerationPlatformWin32 platform;
    std::vector<PortInfo> found;
    bool ok = true;
    try {
        EnumerateSerialPorts(found, false, platform);
    } catch (const EnumerationError& failure) {
        error = failure.what();
        ok = false;
    }
    for (const PortInfo& info : found) {
        ListedPort port;
        port.port = info.portName.empty() ? info.devicePath : info.portName;
        port.friendlyName = text::SystemTextToUtf8(info.friendlyName);
        port.isUsb = info.isUsb;
        ports.push_back(std::move(port));
    }
    return ok;
}

}  // namespace kd::cli
