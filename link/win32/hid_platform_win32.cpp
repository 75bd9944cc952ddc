#include "link/win32/hid_platform_win32.h"

#include <windows.h>
// The device-installation header needs the base types above.
#include <setupapi.h>
// The HID library's header declares its functions without C linkage of its own.
extern "C" {
#include <hidsdi.h>
}

#include <cstddef>
#include <cstring>
#include <memory>
#include <new>

#include "link/win32/serial_enumeration_platform_win32.h"
#include "link/win32/unique_handle.h"

namespace kd {

using win32::FromNative;
using win32::ToNative;

Guid HidPlatformWin32::GetHidClass() {
    GUID hidClass{};
    ::HidD_GetHidGuid(&hidClass);
    return FromNative(hidClass);
}

std::optional<DeviceSet> HidPlatformWin32::GetClassDevices(const Guid& interfaceClass) {
    const GUID native = ToNative(interfaceClass);
    HDEVINFO made =
        ::SetupDiGetClassDevsA(&native, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (made == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    return FromNative(made);
}

void HidPlatformWin32::DestroyDeviceInfoList(DeviceSet set) {
    ::SetupDiDestroyDeviceInfoList(ToNative(set));
}

bool HidPlatformWin32::EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass,
                                            uint32_t index, DeviceInterfaceData& iface) {
    const GUID native = ToNative(interfaceClass);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!::SetupDiEnumDeviceInterfaces(ToNative(set), nullptr, &native, index, &data)) {
        return false;
    }
    iface = FromNative(data);
    return true;
}

InterfacePathResult HidPlatformWin32::GetInterfacePath(DeviceSet set,
                                                       const DeviceInterfaceData& iface,
                                                       std::string& devicePath) {
    SP_DEVICE_INTERFACE_DATA data = ToNative(iface);
    // Asked without a buffer, the call fails by design and reports the size it needs.
    DWORD required = 0;
    ::SetupDiGetDeviceInterfaceDetailA(ToNative(set), &data, nullptr, 0, &required, nullptr);
    // A size that cannot even hold the fixed part means the query itself failed.
    if (required < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return InterfacePathResult::Failed;
    }
    // DWORD storage keeps the structure's cbSize aligned.
    std::unique_ptr<DWORD[]> storage(new (std::nothrow)
                                         DWORD[(required + sizeof(DWORD) - 1) / sizeof(DWORD)]);
    if (!storage) {
        return InterfacePathResult::OutOfMemory;
    }
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.get());
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);
    if (!::SetupDiGetDeviceInterfaceDetailA(ToNative(set), &data, detail, required, nullptr,
                                            nullptr)) {
        return InterfacePathResult::Failed;
    }
    const std::size_t room = required - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    devicePath.assign(detail->DevicePath, ::strnlen(detail->DevicePath, room));
    return InterfacePathResult::Ok;
}

std::optional<HidAttributes> HidPlatformWin32::ReadAttributes(const std::string& devicePath) {
    // No access rights are needed to read the attributes, and asking for none lets this
    // open a device another program already holds.
    const UniqueHandle device(::CreateFileA(devicePath.c_str(), 0,
                                            FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!device.Valid()) {
        return std::nullopt;
    }
    HIDD_ATTRIBUTES attributes{};
    attributes.Size = sizeof(attributes);
    if (!::HidD_GetAttributes(device.Get(), &attributes)) {
        return std::nullopt;
    }
    return HidAttributes{attributes.VendorID, attributes.ProductID, attributes.VersionNumber,
                         std::nullopt};
}

}  // namespace kd
