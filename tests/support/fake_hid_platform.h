#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "link/hid_enumeration.h"
#include "link/hid_platform.h"

namespace kd::test {

// One HID interface; by default a reader's command interface.
struct FakeHidDevice {
    std::string path;
    uint16_t vendorId = kReaderVendorId;
    uint16_t productId = kReaderProductId;
    bool opens = true;
    InterfacePathResult pathResult = InterfacePathResult::Ok;
};

// Plays the HID interfaces present, in order, and counts the sets made and destroyed.
class FakeHidPlatform final : public HidPlatform {
  public:
    static constexpr Guid kHidClass{0x4D1E55B2, 0xF16F, 0x11CF, {1, 2, 3, 4, 5, 6, 7, 8}};

    std::vector<FakeHidDevice> devices;
    bool setAvailable = true;

    int setsCreated = 0;
    int setsDestroyed = 0;
    int wrongClassCalls = 0;
    std::vector<std::string> attributesRead;
    std::vector<uint32_t> pathsAsked;

    Guid GetHidClass() override { return kHidClass; }
    std::optional<DeviceSet> GetClassDevices(const Guid& interfaceClass) override;
    void DestroyDeviceInfoList(DeviceSet set) override;
    bool EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass, uint32_t index,
                              DeviceInterfaceData& iface) override;
    InterfacePathResult GetInterfacePath(DeviceSet set, const DeviceInterfaceData& iface,
                                         std::string& devicePath) override;
    std::optional<HidAttributes> ReadAttributes(const std::string& devicePath) override;
};

// Records what the search showed and selected.
class FakeHidListBox final : public HidListBox {
  public:
    std::vector<std::string> entries;
    int clears = 0;
    int selections = 0;

    void Clear() override {
        entries.clear();
        ++clears;
    }
    void Add(std::string_view text) override { entries.emplace_back(text); }
    void SelectFirst() override { ++selections; }
};

}  // namespace kd::test
