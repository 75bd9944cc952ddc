#include "cli/commands/ports.h"
#include "link/posix/sysfs_ports.h"

namespace kd::cli {

bool ListMachinePorts(std::vector<ListedPort>& ports, std::string& /*error*/) {
    for (const SysfsPort& found : ListSysfsPorts()) {
        ListedPort port;
        port.port = found.devicePath;
        port.byId = found.byIdPath;
        port.isUsb = found.usb.has_value();
        if (found.usb) {
            port.vendorId = found.usb->vendorId;
            port.productId = found.usb->productId;
            port.manufacturer = found.usb->manufacturer;
            port.product = found.usb->product;
            port.serialNumber = found.usb->serialNumber;
        }
        ports.push_back(std::move(port));
    }
    return true;
}

}  // namespace kd::cli
