#pragma once

#include <windows.h>
// The device-installation header needs the base types above.
#include <setupapi.h>

#include <cstdint>

#include "link/serial_enumeration_platform.h"

namespace kd {

// The port search's system calls over the device-installation and registry APIs.
class SerialEnumerationPlatformWin32 final : public SerialEnumerationPlatform {
  public:
    CallStatus GetVersion(OsVersion& version) override;

    CallStatus GetClassDevices(const Guid& interfaceClass, DeviceSet& set) override;
    void DestroyDeviceInfoList(DeviceSet set) override;
    CallStatus EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass, uint32_t index,
                                    DeviceInterfaceData& iface) override;
    CallStatus GetDeviceInterfaceDetail(DeviceSet set, const DeviceInterfaceData& iface,
                                        std::size_t bufferSize, std::string& devicePath,
                                        DeviceInfoData& device) override;
    std::optional<std::size_t> GetDeviceRegistryProperty(DeviceSet set,
                                                         const DeviceInfoData& device,
                                                         DeviceProperty property,
                                                         std::span<char> buffer) override;

    std::optional<RegistryKey> OpenLocalMachineKey(const std::string& name) override;
    std::optional<RegistryKey> OpenKey(RegistryKey parent, const std::string& name) override;
    void CloseKey(RegistryKey key) override;
    std::optional<std::size_t> EnumKey(RegistryKey key, uint32_t index,
                                       std::span<char> buffer) override;
    std::optional<std::size_t> QueryValue(RegistryKey key, const std::string& name,
                                          std::span<char> buffer) override;

    bool CanOpenExclusively(const std::string& devicePath) override;
};

// Conversions between the portable records and the API's, shared with the HID search.
namespace win32 {

inline GUID ToNative(const Guid& guid) {
    GUID native{};
    native.Data1 = guid.data1;
    native.Data2 = guid.data2;
    native.Data3 = guid.data3;
    for (std::size_t i = 0; i < guid.data4.size(); ++i) {
        native.Data4[i] = guid.data4[i];
    }
    return native;
}

inline Guid FromNative(const GUID& native) {
    Guid guid;
    guid.data1 = native.Data1;
    guid.data2 = native.Data2;
    guid.data3 = native.Data3;
    for (std::size_t i = 0; i < guid.data4.size(); ++i) {
        guid.data4[i] = native.Data4[i];
    }
    return guid;
}

inline HDEVINFO ToNative(DeviceSet set) {
    return reinterpret_cast<HDEVINFO>(static_cast<std::uintptr_t>(set));
}

inline DeviceSet FromNative(HDEVINFO set) {
    return static_cast<DeviceSet>(reinterpret_cast<std::uintptr_t>(set));
}

inline SP_DEVICE_INTERFACE_DATA ToNative(const DeviceInterfaceData& iface) {
    SP_DEVICE_INTERFACE_DATA native{};
    native.cbSize = sizeof(native);
    native.InterfaceClassGuid = ToNative(iface.interfaceClass);
    native.Flags = iface.flags;
    native.Reserved = iface.reserved;
    return native;
}

inline DeviceInterfaceData FromNative(const SP_DEVICE_INTERFACE_DATA& native) {
    return {FromNative(native.InterfaceClassGuid), native.Flags, native.Reserved};
}

}  // namespace win32

}  // namespace kd
