#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace kd {

// What sysfs tells about the USB device behind a serial port.
struct UsbPortDetails {
    std::string vendorId;  // four hex digits, as sysfs writes them
    std::string productId;
    std::string manufacturer;  // empty when the device gives none
    std::string product;
    std::string serialNumber;
};

// One serial port with a device behind it.
struct SysfsPort {
    std::string name;        // "ttyUSB0"
    std::string devicePath;  // "/dev/ttyUSB0"
    std::string byIdPath;    // "/dev/serial/by-id/usb-..." or empty
    std::optional<UsbPortDetails> usb;
};

// Lists the serial ports under root's /sys/class/tty, sorted by name. root is "/" on a
// live system; tests pass a fake tree. Paths printed stay rooted at "/" either way.
//
// A port is kept when it has a device link, unless it is a serial-core port whose type
// file holds 0: the 8250 driver registers placeholder ports with no UART behind them and
// reports those as type 0 (unknown), whichever driver its device link names.
// A tree that cannot be read gives an empty list.
std::vector<SysfsPort> ListSysfsPorts(const std::filesystem::path& root = "/");

}  // namespace kd
