#include "link/port_name.h"

namespace kd {

std::string PortDeviceKey(const std::string& name) {
    return WindowsPortKey(name);
}

}  // namespace kd
