#include "link/posix/sysfs_port_source.h"

#include <algorithm>
#include <optional>
#include <system_error>

#include "link/posix/sysfs_ports.h"
#include "text/escape.h"

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

void TakeUsbDetails(PortInfo& port, const UsbPortDetails& usb) {
    port.isUsb = true;
    port.manufacturer = usb.manufacturer;
    port.product = usb.product;
    port.serialNumber = usb.serialNumber;
    if (!usb.vendorId.empty()) {
        port.usbId = usb.vendorId + ":" + usb.productId;
    }
    if (!usb.product.empty()) {
        port.friendlyName = usb.product + " (" + port.portName + ")";
        port.description = usb.product;
    }
}

}  // namespace

void SysfsPortSource::ListPorts(std::vector<PortInfo>& list) {
    list.clear();
    // What each listed record leads to, in the list's order.
    std::vector<std::string> listed;
    const auto add = [&](PortInfo port, const std::optional<UsbPortDetails>& usb) {
        std::string identity = Identity(port.devicePath);
        const auto index =
            static_cast<size_t>(std::find(listed.begin(), listed.end(), identity) - listed.begin());
        if (index == listed.size()) {
            listed.push_back(std::move(identity));
            list.push_back(std::move(port));
        }
        // A port named on the command line keeps its place and path, and learns what
        // its device is.
        PortInfo& kept = list[index];
        if (usb && !kept.isUsb) {
            TakeUsbDetails(kept, *usb);
        }
    };

    for (const std::string& path : namedPorts_) {
        if (!path.empty()) {
            const std::string name = NamedPortName(path);
            add({path, name, name, false, name}, std::nullopt);
        }
    }
    for (const SysfsPort& found : ListSysfsPorts(root_)) {
        add({found.devicePath, found.name, found.name, false, found.name}, found.usb);
    }
}

std::string SysfsPortSource::EntryText(const PortInfo& port) const {
    if (port.portName.empty()) {
        return {};
    }
    std::string details;
    const auto append = [&details](const std::string& text) {
        details += details.empty() ? "" : ", ";
        details += text::EscapeSystemText(text);
    };
    if (!port.product.empty()) {
        append(port.product);
    }
    if (!port.manufacturer.empty()) {
        append(port.manufacturer);
    }
    if (details.empty() && !port.usbId.empty()) {
        append("USB " + port.usbId);
    }
    if (!port.serialNumber.empty()) {
        details += details.empty() ? "序列号 " : ", 序列号 ";
        details += text::EscapeSystemText(port.serialNumber);
    }
    const std::string name = text::EscapeSystemText(port.portName);
    return details.empty() ? name : name + " (" + details + ")";
}

}  // namespace kd
