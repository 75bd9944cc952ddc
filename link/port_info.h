#pragma once

#include <string>
#include <utility>

namespace kd {

// One serial port the user can pick.
struct PortInfo {
    PortInfo() = default;
    // What every search finds; the USB facts below only some.
    PortInfo(std::string path, std::string name, std::string friendly, bool usb,
             std::string describedAs)
        : devicePath(std::move(path)),
          portName(std::move(name)),
          friendlyName(std::move(friendly)),
          isUsb(usb),
          description(std::move(describedAs)) {}

    std::string devicePath;  // what CreateFile opens: "\\.\COM3" or a device-interface path
    std::string portName;    // "COM3"; may be empty or just "COM" when no number was found
    std::string friendlyName;
    bool isUsb = false;
    std::string description;
    // What the USB device behind the port says of itself (Linux); empty when unknown.
    std::string manufacturer;
    std::string product;
    std::string serialNumber;
    std::string usbId;  // vendor and product id: "1a86:7523"
};

// One reader on the HID interface, numbered in the order it was found.
struct HidDeviceInfo {
    int number = 0;
    std::string devicePath;
    std::string displayName;
};

}  // namespace kd
