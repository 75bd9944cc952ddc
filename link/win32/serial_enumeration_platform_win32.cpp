#include "link/win32/serial_enumeration_platform_win32.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

#include "link/win32/unique_handle.h"

namespace kd {

namespace {

using win32::FromNative;
using win32::ToNative;

static_assert(static_cast<DWORD>(DeviceProperty::DeviceDescription) == SPDRP_DEVICEDESC);
static_assert(static_cast<DWORD>(DeviceProperty::FriendlyName) == SPDRP_FRIENDLYNAME);
static_assert(static_cast<DWORD>(DeviceProperty::LocationInformation) ==
              SPDRP_LOCATION_INFORMATION);
static_assert(kErrorNoMoreItems == ERROR_NO_MORE_ITEMS);

CallStatus LastError() {
    return CallStatus::Failed(::GetLastError());
}

SP_DEVINFO_DATA ToNative(const DeviceInfoData& device) {
    SP_DEVINFO_DATA native{};
    native.cbSize = sizeof(native);
    native.ClassGuid = win32::ToNative(device.deviceClass);
    native.DevInst = device.devInst;
    native.Reserved = device.reserved;
    return native;
}

DeviceInfoData FromNative(const SP_DEVINFO_DATA& native) {
    return {win32::FromNative(native.ClassGuid), native.DevInst, native.Reserved};
}

HKEY ToNative(RegistryKey key) {
    return reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(key));
}

RegistryKey FromNative(HKEY key) {
    return static_cast<RegistryKey>(reinterpret_cast<std::uintptr_t>(key));
}

DWORD Capacity(std::span<char> buffer) {
    return static_cast<DWORD>(std::min<std::size_t>(buffer.size(), MAXDWORD));
}

}  // namespace

CallStatus SerialEnumerationPlatformWin32::GetVersion(OsVersion& version) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!::GetVersionExA(&info)) {
        return LastError();
    }
    version = {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
    return CallStatus::Ok();
}

CallStatus SerialEnumerationPlatformWin32::GetClassDevices(const Guid& interfaceClass,
                                                           DeviceSet& set) {
    const GUID native = ToNative(interfaceClass);
    HDEVINFO made =
        ::SetupDiGetClassDevsA(&native, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE);
    if (made == INVALID_HANDLE_VALUE) {
        return LastError();
    }
    set = FromNative(made);
    return CallStatus::Ok();
}

void SerialEnumerationPlatformWin32::DestroyDeviceInfoList(DeviceSet set) {
    ::SetupDiDestroyDeviceInfoList(ToNative(set));
}

CallStatus SerialEnumerationPlatformWin32::EnumDeviceInterfaces(DeviceSet set,
                                                                const Guid& interfaceClass,
                                                                uint32_t index,
                                                                DeviceInterfaceData& iface) {
    const GUID native = ToNative(interfaceClass);
    SP_DEVICE_INTERFACE_DATA data{};
    data.cbSize = sizeof(data);
    if (!::SetupDiEnumDeviceInterfaces(ToNative(set), nullptr, &native, index, &data)) {
        return LastError();
    }
    iface = FromNative(data);
    return CallStatus::Ok();
}

CallStatus SerialEnumerationPlatformWin32::GetDeviceInterfaceDetail(
    DeviceSet set, const DeviceInterfaceData& iface, std::size_t bufferSize,
    std::string& devicePath, DeviceInfoData& device) {
    if (bufferSize < sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A) || bufferSize > MAXDWORD) {
        return CallStatus::Failed(ERROR_INSUFFICIENT_BUFFER);
    }
    // DWORD storage keeps the structure's cbSize aligned.
    std::vector<DWORD> storage((bufferSize + sizeof(DWORD) - 1) / sizeof(DWORD));
    auto* detail = reinterpret_cast<SP_DEVICE_INTERFACE_DETAIL_DATA_A*>(storage.data());
    // The size of the fixed part, which differs between 32- and 64-bit builds.
    detail->cbSize = sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A);

    SP_DEVICE_INTERFACE_DATA data = ToNative(iface);
    SP_DEVINFO_DATA info{};
    info.cbSize = sizeof(info);
    if (!::SetupDiGetDeviceInterfaceDetailA(ToNative(set), &data, detail,
                                            static_cast<DWORD>(bufferSize), nullptr, &info)) {
        return LastError();
    }
    const std::size_t room = bufferSize - offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    devicePath.assign(detail->DevicePath, ::strnlen(detail->DevicePath, room));
    device = FromNative(info);
    return CallStatus::Ok();
}

std::optional<std::size_t> SerialEnumerationPlatformWin32::GetDeviceRegistryProperty(
    DeviceSet set, const DeviceInfoData& device, DeviceProperty property, std::span<char> buffer) {
    SP_DEVINFO_DATA info = ToNative(device);
    DWORD type = 0;
    DWORD reported = 0;
    if (!::SetupDiGetDeviceRegistryPropertyA(ToNative(set), &info, static_cast<DWORD>(property),
                                             &type, reinterpret_cast<PBYTE>(buffer.data()),
                                             Capacity(buffer), &reported)) {
        return std::nullopt;
    }
    return std::min<std::size_t>(reported, buffer.size());
}

std::optional<RegistryKey> SerialEnumerationPlatformWin32::OpenLocalMachineKey(
    const std::string& name) {
    return OpenKey(FromNative(HKEY_LOCAL_MACHINE), name);
}

std::optional<RegistryKey> SerialEnumerationPlatformWin32::OpenKey(RegistryKey parent,
                                                                   const std::string& name) {
    HKEY opened = nullptr;
    if (::RegOpenKeyExA(ToNative(parent), name.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return FromNative(opened);
}

void SerialEnumerationPlatformWin32::CloseKey(RegistryKey key) {
    ::RegCloseKey(ToNative(key));
}

std::optional<std::size_t> SerialEnumerationPlatformWin32::EnumKey(RegistryKey key, uint32_t index,
                                                                   std::span<char> buffer) {
    DWORD length = Capacity(buffer);
    if (::RegEnumKeyExA(ToNative(key), index, buffer.data(), &length, nullptr, nullptr, nullptr,
                        nullptr) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::min<std::size_t>(length, buffer.size());
}

std::optional<std::size_t> SerialEnumerationPlatformWin32::QueryValue(RegistryKey key,
                                                                      const std::string& name,
                                                                      std::span<char> buffer) {
    DWORD type = 0;
    DWORD size = Capacity(buffer);
    if (::RegQueryValueExA(ToNative(key), name.c_str(), nullptr, &type,
                           reinterpret_cast<LPBYTE>(buffer.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::min<std::size_t>(size, buffer.size());
}

bool SerialEnumerationPlatformWin32::CanOpenExclusively(const std::string& devicePath) {
    const UniqueHandle port(::CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
    return port.Valid();
}

}  // namespace kd
