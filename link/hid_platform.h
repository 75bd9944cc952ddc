#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "link/serial_enumeration_platform.h"

namespace kd {

struct HidAttributes {
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    uint16_t versionNumber = 0;
    // The USB interface, where the system tells it apart from the device path (Linux);
    // otherwise the path names it.
    std::optional<uint8_t> interfaceNumber;
};

// How reading an interface's device path ended. Running out of memory for the detail
// buffer is told apart: the search stops there instead of going on.
enum class InterfacePathResult { Ok, Failed, OutOfMemory };

// What the HID reader search asks of the system.
class HidPlatform {
  public:
    virtual ~HidPlatform() = default;

    // The interface class of HID devices.
    virtual Guid GetHidClass() = 0;

    // The present devices exposing an interface of this class; nothing when no set
    // could be made. A set handed out must be given back to DestroyDeviceInfoList.
    virtual std::optional<DeviceSet> GetClassDevices(const Guid& interfaceClass) = 0;
    virtual void DestroyDeviceInfoList(DeviceSet set) = 0;

    // False past the last member or on any failure.
    virtual bool EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass, uint32_t index,
                                      DeviceInterfaceData& iface) = 0;

    // Asks for the detail size, allocates a buffer that large and reads the path.
    virtual InterfacePathResult GetInterfacePath(DeviceSet set, const DeviceInterfaceData& iface,
                                                 std::string& devicePath) = 0;

    // Opens the device without access rights (shared for reading and writing), reads
    // its attributes and closes it. Nothing when it could not be opened or read.
    virtual std::optional<HidAttributes> ReadAttributes(const std::string& devicePath) = 0;
};

}  // namespace kd
