#include <windows.h>

#include "cli/commands/ports.h"
#include "link/port_enumeration.h"
#include "link/win32/serial_enumeration_platform_win32.h"

namespace kd::cli {

namespace {

// The search reads the system's texts in the ANSI code page; kdcfg prints UTF-8. A text
// that does not convert is kept as it is, to be shown escaped.
std::string AnsiToUtf8(const std::string& ansi) {
    if (ansi.empty() || ansi.size() > 0x7FFFFFFF) {
        return ansi;
    }
    const int size = static_cast<int>(ansi.size());
    const int wide =
        ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, nullptr, 0);
    if (wide <= 0) {
        return ansi;
    }
    std::wstring utf16(static_cast<size_t>(wide), L'\0');
    ::MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), size, utf16.data(), wide);
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return ansi;
    }
    std::string utf8(static_cast<size_t>(bytes), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), wide, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

}  // namespace

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
        port.friendlyName = AnsiToUtf8(info.friendlyName);
        port.isUsb = info.isUsb;
        ports.push_back(std::move(port));
    }
    return ok;
}

}  // namespace kd::cli
