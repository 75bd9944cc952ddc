#include "link/posix/sysfs_port_source.h"

#include <algorithm>
#include <system_error>

#include "link/posix/sysfs_ports.h"

namespace kd {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDevPrefix = "/dev/";

// What a path leads to, so that a by-id link and its tty count as one port. A path that
// cannot be resolved (gone, or in a fake tree) stands for itself.
std::string Identity(const std::string& path) {
    std::error_code ec;
    const fs::path resolved = fs::canonical(path, ec);
    return ec ? path : resolved.string();
}

std::string NamedPortName(const std::string& path) {
    if (path.starts_with(kDevPrefix) && path.size() > kDevPrefix.size()) {
        return path.substr(kDevPrefix.size());
    }
    return path;
}

}  // namespace

void SysfsPortSource::ListPorts(std::vector<PortInfo>& list) {
    list.clear();
    std::vector<std::string> listed;
    const auto add = [&](PortInfo port) {
        std::string identity = Identity(port.devicePath);
        if (std::find(listed.begin(), listed.end(), identity) != listed.end()) {
            return;
        }
        listed.push_back(std::move(identity));
        list.push_back(std::move(port));
    };

    for (const std::string& path : namedPorts_) {
        if (!path.empty()) {
            const std::string name = NamedPortName(path);
            add({path, name, name, false, name});
        }
    }
    for (const SysfsPort& found : ListSysfsPorts(root_)) {
        PortInfo port{found.devicePath, found.name, found.name, found.usb.has_value(), found.name};
        if (found.usb && !found.usb->product.empty()) {
            port.friendlyName = found.usb->product + " (" + found.name + ")";
            port.description = found.usb->product;
        }
        add(std::move(port));
    }
}

}  // namespace kd
