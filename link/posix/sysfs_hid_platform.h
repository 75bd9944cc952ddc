#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "link/hid_platform.h"

namespace kd {

// The HID reader search over hidraw in sysfs. A device set is the hidraw nodes present
// when it was made, in number order; a device path is the node ("/dev/hidraw3"). The
// attributes come from sysfs, so no node is opened and no access rights are needed.
// root is "/" on a live system; tests pass a fake tree.
class SysfsHidPlatform final : public HidPlatform {
  public:
    explicit SysfsHidPlatform(std::filesystem::path root = "/") : root_(std::move(root)) {}

    Guid GetHidClass() override;
    std::optional<DeviceSet> GetClassDevices(const Guid& interfaceClass) override;
    void DestroyDeviceInfoList(DeviceSet set) override;
    bool EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass, uint32_t index,
                              DeviceInterfaceData& iface) override;
    InterfacePathResult GetInterfacePath(DeviceSet set, const DeviceInterfaceData& iface,
                                         std::string& devicePath) override;
    std::optional<HidAttributes> ReadAttributes(const std::string& devicePath) override;

  private:
    const std::vector<std::string>* Nodes(DeviceSet set) const;

    std::filesystem::path root_;
    std::map<std::uintptr_t, std::vector<std::string>> sets_;
    std::uintptr_t nextSet_ = 1;
};

}  // namespace kd
