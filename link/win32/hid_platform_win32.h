#pragma once

#include "link/hid_platform.h"

namespace kd {

// The HID reader search's system calls over the HID and device-installation APIs.
class HidPlatformWin32 final : public HidPlatform {
  public:
    Guid GetHidClass() override;
    std::optional<DeviceSet> GetClassDevices(const Guid& interfaceClass) override;
    void DestroyDeviceInfoList(DeviceSet set) override;
    bool EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass, uint32_t index,
                              DeviceInterfaceData& iface) override;
    InterfacePathResult GetInterfacePath(DeviceSet set, const DeviceInterfaceData& iface,
                                         std::string& devicePath) override;
    std::optional<HidAttributes> ReadAttributes(const std::string& devicePath) override;
};

}  // namespace kd
