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

namespace {

HANDLE ConsoleOf(std::FILE* stream) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

}  // namespace

bool EnableTerminalSequences(std::FILE* stream) {
    const HANDLE console = ConsoleOf(stream);
    DWORD mode = 0;
    if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) {
        return false;
    }
    if ((mode & ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0) {
        return true;
    }
    // Consoles before Windows 10 refuse the mode: they get plain lines without colour.
    return SetConsoleMode(console, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING) != 0;
}

size_t TerminalColumns(std::FILE* stream) {
    CONSOLE_SCREEN_BUFFER_INFO info{};
    if (!GetConsoleScreenBufferInfo(ConsoleOf(stream), &info)) {
        return 0;
    }
    return static_cast<size_t>(info.srWindow.Right - info.srWindow.Left + 1);
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
