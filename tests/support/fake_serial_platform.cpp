#include "tests/support/fake_serial_platform.h"

#include <algorithm>
#include <cstring>

namespace kd::test {

namespace {

constexpr uint32_t kInsufficientBuffer = 122;
// The fixed part of the detail buffer in front of the path.
constexpr std::size_t kDetailFixedPart = 4;

std::optional<std::size_t> CopyOut(const std::string& bytes, std::span<char> buffer) {
    if (bytes.size() > buffer.size()) {
        return std::nullopt;
    }
    std::memcpy(buffer.data(), bytes.data(), bytes.size());
    return bytes.size();
}

}  // namespace

std::string FakeSerialPlatform::ClassKey(const Guid& guid) {
    return std::string(reinterpret_cast<const char*>(&guid), sizeof(guid));
}

CallStatus FakeSerialPlatform::GetVersion(OsVersion& answer) {
    if (versionError) {
        return CallStatus::Failed(*versionError);
    }
    answer = version;
    return CallStatus::Ok();
}

CallStatus FakeSerialPlatform::GetClassDevices(const Guid& interfaceClass, DeviceSet& set) {
    classesSearched.push_back(interfaceClass);
    const FakeInterfaceClass& members = Class(interfaceClass);
    if (members.openError) {
        return CallStatus::Failed(*members.openError);
    }
    const std::uintptr_t handle = nextHandle_++;
    liveSets_[handle] = ClassKey(interfaceClass);
    ++setsCreated;
    set = static_cast<DeviceSet>(handle);
    return CallStatus::Ok();
}

FakeInterfaceClass* FakeSerialPlatform::LiveSet(DeviceSet set) {
    const auto live = liveSets_.find(static_cast<std::uintptr_t>(set));
    if (live == liveSets_.end()) {
        ++callsOnDeadSets;
        return nullptr;
    }
    return &classes_[live->second];
}

void FakeSerialPlatform::DestroyDeviceInfoList(DeviceSet set) {
    if (LiveSet(set) != nullptr) {
        liveSets_.erase(static_cast<std::uintptr_t>(set));
        ++setsDestroyed;
    }
}

CallStatus FakeSerialPlatform::EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass,
                                                    uint32_t index, DeviceInterfaceData& iface) {
    FakeInterfaceClass* members = LiveSet(set);
    if (members == nullptr || ClassKey(interfaceClass) != liveSets_[static_cast<uintptr_t>(set)]) {
        return CallStatus::Failed(6);  // invalid handle
    }
    if (members->enumErrorIndex == index) {
        return CallStatus::Failed(members->enumError);
    }
    if (index >= members->devices.size()) {
        return CallStatus::Failed(kErrorNoMoreItems);
    }
    iface = {interfaceClass, 1, index};
    return CallStatus::Ok();
}

CallStatus FakeSerialPlatform::GetDeviceInterfaceDetail(DeviceSet set,
                                                        const DeviceInterfaceData& iface,
                                                        std::size_t bufferSize,
                                                        std::string& devicePath,
                                                        DeviceInfoData& device) {
    detailBufferSizes.push_back(bufferSize);
    FakeInterfaceClass* members = LiveSet(set);
    if (members == nullptr || iface.reserved >= members->devices.size()) {
        return CallStatus::Failed(6);
    }
    const FakeDevice& found = members->devices[iface.reserved];
    if (kDetailFixedPart + found.path.size() + 1 > bufferSize) {
        return CallStatus::Failed(kInsufficientBuffer);
    }
    devicePath = found.path;
    device = {iface.interfaceClass, 0, iface.reserved};
    return CallStatus::Ok();
}

std::optional<std::size_t> FakeSerialPlatform::GetDeviceRegistryProperty(
    DeviceSet set, const DeviceInfoData& device, DeviceProperty property, std::span<char> buffer) {
    propertyBufferSizes.push_back(buffer.size());
    FakeInterfaceClass* members = LiveSet(set);
    if (members == nullptr || device.reserved >= members->devices.size()) {
        return std::nullopt;
    }
    const FakeDevice& found = members->devices[device.reserved];
    propertiesRead.emplace_back(found.path, property);
    const std::optional<std::string>* value = nullptr;
    switch (property) {
        case DeviceProperty::FriendlyName:
            value = &found.friendlyName;
            break;
        case DeviceProperty::DeviceDescription:
            value = &found.description;
            break;
        case DeviceProperty::LocationInformation:
            value = &found.location;
            break;
    }
    if (value == nullptr || !value->has_value()) {
        return std::nullopt;
    }
    const std::optional<std::size_t> written =
        CopyOut(found.unterminated ? **value : **value + '\0', buffer);
    if (!written) {
        return std::nullopt;
    }
    return *written + found.overstatedBy;
}

FakeKey& FakeSerialPlatform::Key(std::string_view path) {
    FakeKey* key = &localMachine;
    while (!path.empty()) {
        const std::size_t cut = path.find('\\');
        const std::string name(path.substr(0, cut));
        path = cut == std::string_view::npos ? std::string_view() : path.substr(cut + 1);
        auto child = std::find_if(key->children.begin(), key->children.end(),
                                  [&](const FakeKey& k) { return k.name == name; });
        if (child == key->children.end()) {
            key->children.push_back({name, {}, {}, false});
            child = key->children.end() - 1;
        }
        key = &*child;
    }
    return *key;
}

std::optional<RegistryKey> FakeSerialPlatform::Open(FakeKey& parent, const std::string& name) {
    const auto child = std::find_if(parent.children.begin(), parent.children.end(),
                                    [&](const FakeKey& k) { return k.name == name; });
    if (child == parent.children.end() || child->failOpen) {
        return std::nullopt;
    }
    const std::uintptr_t handle = nextHandle_++;
    liveKeys_[handle] = &*child;
    ++keysOpen;
    ++keysOpened;
    return static_cast<RegistryKey>(handle);
}

std::optional<RegistryKey> FakeSerialPlatform::OpenLocalMachineKey(const std::string& name) {
    return Open(localMachine, name);
}

std::optional<RegistryKey> FakeSerialPlatform::OpenKey(RegistryKey parent,
                                                       const std::string& name) {
    const auto live = liveKeys_.find(static_cast<std::uintptr_t>(parent));
    if (live == liveKeys_.end()) {
        return std::nullopt;
    }
    return Open(*live->second, name);
}

void FakeSerialPlatform::CloseKey(RegistryKey key) {
    if (liveKeys_.erase(static_cast<std::uintptr_t>(key)) == 1) {
        --keysOpen;
    }
}

std::optional<std::size_t> FakeSerialPlatform::EnumKey(RegistryKey key, uint32_t index,
                                                       std::span<char> buffer) {
    const auto live = liveKeys_.find(static_cast<std::uintptr_t>(key));
    if (live == liveKeys_.end() || index >= live->second->children.size()) {
        return std::nullopt;
    }
    const std::string& name = live->second->children[index].name;
    // The name goes out with its NUL; the count leaves the NUL out.
    if (!CopyOut(name + '\0', buffer)) {
        return std::nullopt;
    }
    return name.size();
}

std::optional<std::size_t> FakeSerialPlatform::QueryValue(RegistryKey key, const std::string& name,
                                                          std::span<char> buffer) {
    const auto live = liveKeys_.find(static_cast<std::uintptr_t>(key));
    if (live == liveKeys_.end()) {
        return std::nullopt;
    }
    const auto value = live->second->values.find(name);
    if (value == live->second->values.end()) {
        return std::nullopt;
    }
    return CopyOut(value->second, buffer);
}

bool FakeSerialPlatform::CanOpenExclusively(const std::string& devicePath) {
    probed.push_back(devicePath);
    return busyPaths.count(devicePath) == 0;
}

}  // namespace kd::test
