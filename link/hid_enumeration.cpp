#include "link/hid_enumeration.h"

#include <string>

#include "link/device_set_hold.h"

namespace kd {

namespace {

bool IsReader(const HidAttributes& attributes, const std::string& devicePath) {
    const bool commandInterface = attributes.interfaceNumber
                                      ? *attributes.interfaceNumber == kReaderInterface
                                      : devicePath.find(kReaderInterfaceMark) != std::string::npos;
    return attributes.vendorId == kReaderVendorId && attributes.productId == kReaderProductId &&
           commandInterface;
}

}  // namespace

void EnumerateHidReaders(std::vector<HidDeviceInfo>& list, HidListBox& box, HidPlatform& platform,
                         const std::function<void(std::string_view)>& showPrompt) {
    list.clear();
    const Guid hidClass = platform.GetHidClass();
    const std::optional<DeviceSet> set = platform.GetClassDevices(hidClass);
    box.Clear();
    if (!set) {
        return;
    }

    int found = 0;
    {
        const DeviceSetHold hold(platform, *set);
        DeviceInterfaceData iface;
        for (uint32_t index = 0; platform.EnumDeviceInterfaces(*set, hidClass, index, iface);
             ++index) {
            std::string devicePath;
            const InterfacePathResult read = platform.GetInterfacePath(*set, iface, devicePath);
            if (read == InterfacePathResult::OutOfMemory) {
                showPrompt("内存不足!");
                return;
            }
            if (read != InterfacePathResult::Ok) {
                continue;
            }
            const std::optional<HidAttributes> attributes = platform.ReadAttributes(devicePath);
            if (!attributes || !IsReader(*attributes, devicePath)) {
                continue;
            }
            HidDeviceInfo reader{found, devicePath, "USB设备" + std::to_string(found)};
            box.Add(reader.displayName);
            list.push_back(std::move(reader));
            ++found;
        }
    }
    if (found > 0) {
        box.SelectFirst();
    }
}

}  // namespace kd
