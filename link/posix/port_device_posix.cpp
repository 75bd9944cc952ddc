#include <sys/stat.h>

#include "link/port_name.h"

namespace kd {

std::string PortDeviceKey(const std::string& name) {
    struct stat status {};
    if (::stat(name.c_str(), &status) != 0) {
        return "name " + name;
    }
    // A terminal is its device number wherever its node sits; anything else is its file.
    if (S_ISCHR(status.st_mode)) {
        return "char " + std::to_string(status.st_rdev);
    }
    return "file " + std::to_string(status.st_dev) + ":" + std::to_string(status.st_ino);
}

}  // namespace kd
