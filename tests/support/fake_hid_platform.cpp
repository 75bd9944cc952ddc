#include "tests/support/fake_hid_platform.h"

#include <algorithm>

namespace kd::test {

namespace {
constexpr DeviceSet kTheSet{0x51};
}

std::optional<DeviceSet> FakeHidPlatform::GetClassDevices(const Guid& interfaceClass) {
    if (interfaceClass != kHidClass) {
        ++wrongClassCalls;
    }
    if (!setAvailable) {
        return std::nullopt;
    }
    ++setsCreated;
    return kTheSet;
}

void FakeHidPlatform::DestroyDeviceInfoList(DeviceSet set) {
    if (set == kTheSet) {
        ++setsDestroyed;
    }
}

bool FakeHidPlatform::EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass,
                                           uint32_t index, DeviceInterfaceData& iface) {
    if (interfaceClass != kHidClass) {
        ++wrongClassCalls;
    }
    if (set != kTheSet || setsDestroyed > 0 || index >= devices.size()) {
        return false;
    }
    iface = {interfaceClass, 1, index};
    return true;
}

InterfacePathResult FakeHidPlatform::GetInterfacePath(DeviceSet, const DeviceInterfaceData& iface,
                                                      std::string& devicePath) {
    pathsAsked.push_back(static_cast<uint32_t>(iface.reserved));
    const FakeHidDevice& device = devices.at(iface.reserved);
    if (device.pathResult == InterfacePathResult::Ok) {
        devicePath = device.path;
    }
    return device.pathResult;
}

std::optional<HidAttributes> FakeHidPlatform::ReadAttributes(const std::string& devicePath) {
    attributesRead.push_back(devicePath);
    const auto device = std::find_if(devices.begin(), devices.end(),
                                     [&](const FakeHidDevice& d) { return d.path == devicePath; });
    if (device == devices.end() || !device->opens) {
        return std::nullopt;
    }
    return HidAttributes{device->vendorId, device->productId, 0x0100, std::nullopt};
}

}  // namespace kd::test
