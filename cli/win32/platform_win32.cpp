#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>

#include "cli/platform.h"

namespace kd::cli {

// Ports are handles here, never C runtime descriptors, so none can land on 0 to 2.
bool GuardStandardDescriptors(std::string& /*error*/) {
    return true;
}

bool IsTerminal(std::FILE* stream) {
    return _isatty(_fileno(stream)) != 0;
}

std::string PortDevicePath(const std::string& name) {
    return WindowsComDevicePath(name);
}

std::FILE* CreateNewFile(const std::string& path) {
    const int fd = _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                         _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* file = _fdopen(fd, "wb");
    if (file == nullptr) {
        _close(fd);
    }
    return file;
}

bool SyncFile(std::FILE* file) {
    return std::fflush(file) == 0 && _commit(_fileno(file)) == 0;
}

bool MoveIntoPlace(const std::string& from, const std::string& to) {
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        return true;
    }
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

std::vector<std::string> MatchPortPattern(const std::string& pattern, std::string& error) {
    // COM ports are not files to match; name each with its own --port.
    error = "--ports '" + pattern + "': not available on Windows; give --port once per port";
    return {};
}

}  // namespace kd::cli
