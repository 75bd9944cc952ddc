#pragma once

#include <string>

namespace kd {

// One serial port the user can pick.
struct PortInfo {
    std::string devicePath;  // what CreateFile opens: "\\.\COM3" or a device-interface path
    std::string portName;    // "COM3"; may be empty or just "COM" when no number was found
    std::string friendlyName;
    bool isUsb = false;
    std::string description;
};

// One reader on the HID interface, numbered in the order it was found.
struct HidDeviceInfo {
    int number = 0;
    std::string devicePath;
    std::string displayName;
};

}  // namespace kd
