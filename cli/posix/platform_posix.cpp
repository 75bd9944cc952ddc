#include <fcntl.h>
#include <glob.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/platform.h"

namespace kd::cli {

bool GuardStandardDescriptors(std::string& error) {
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) {
            continue;
        }
        // The lowest free descriptor is the closed one.
        const int opened = ::open("/dev/null", O_RDONLY);
        if (opened != fd) {
            error = "cannot open /dev/null onto closed descriptor " + std::to_string(fd) + ": " +
                    (opened < 0 ? std::strerror(errno) : "another descriptor was given");
            if (opened >= 0) {
                ::close(opened);
            }
            return false;
        }
    }
    return true;
}

std::vector<std::string> MatchPortPattern(const std::string& pattern, std::string& error) {
    glob_t found{};
    const int result = ::glob(pattern.c_str(), 0, nullptr, &found);
    std::vector<std::string> paths;
    if (result == 0) {
        paths.assign(found.gl_pathv, found.gl_pathv + found.gl_pathc);
    } else if (result == GLOB_NOMATCH) {
        error = "--ports: nothing matches '" + pattern + "'";
    } else {
        error = "--ports: could not search for '" + pattern + "'";
    }
    ::globfree(&found);
    return paths;
}

bool IsTerminal(std::FILE* stream) {
    return ::isatty(::fileno(stream)) != 0;
}

bool EnableTerminalSequences(std::FILE* /*stream*/) {
    return true;
}

size_t TerminalColumns(std::FILE* stream) {
    winsize size{};
    if (::ioctl(::fileno(stream), TIOCGWINSZ, &size) != 0) {
        return 0;
    }
    return size.ws_col;
}

std::string PortDevicePath(const std::string& name) {
    return name;
}

std::string DefaultConfigFile(const Environment& environment) {
    // Only an absolute XDG_CONFIG_HOME counts; a relative one would change with the
    // working directory.
    if (auto base = environment("XDG_CONFIG_HOME"); base && base->starts_with('/')) {
        return *base + "/kdcfg/config";
    }
    if (auto home = environment("HOME"); home && !home->empty()) {
        return *home + "/.config/kdcfg/config";
    }
    return {};
}

}  // namespace kd::cli
