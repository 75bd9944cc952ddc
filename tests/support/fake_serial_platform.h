#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "link/serial_enumeration_platform.h"

namespace kd::test {

// One device interface as the device-installation calls show it. Property values are
// handed out with a terminating NUL unless unterminated is set.
struct FakeDevice {
    std::string path;
    std::optional<std::string> friendlyName;
    std::optional<std::string> description;
    std::optional<std::string> location;
    bool unterminated = false;
    std::size_t overstatedBy = 0;  // a count reported beyond the bytes written
};

// The members of one interface class, and the calls that should fail on them.
struct FakeInterfaceClass {
    std::vector<FakeDevice> devices;
    std::optional<uint32_t> openError;  // GetClassDevices fails with this
    std::optional<uint32_t> enumErrorIndex;
    uint32_t enumError = 0;
};

// A registry key of the fake tree.
struct FakeKey {
    std::string name;
    std::vector<FakeKey> children;
    std::map<std::string, std::string> values;  // raw bytes
    bool failOpen = false;
};

// Plays a version answer, the device sets of the two interface classes, a registry tree
// and the ports that are busy; counts what the search left open.
class FakeSerialPlatform final : public SerialEnumerationPlatform {
  public:
    // The version answer; a failure code makes GetVersion fail.
    OsVersion version{6, 1, 7601, 2};
    std::optional<uint32_t> versionError;

    FakeInterfaceClass& Class(const Guid& interfaceClass) {
        return classes_[ClassKey(interfaceClass)];
    }

    // The HKLM tree. Key("Enum\\BIOS\\*PNP0501\\0000") makes every key on the way.
    FakeKey localMachine;
    FakeKey& Key(std::string_view path);
    // Stores the text with its terminating NUL, as the registry keeps strings.
    void SetString(std::string_view path, const std::string& name, const std::string& text) {
        Key(path).values[name] = text + '\0';
    }

    std::set<std::string> busyPaths;

    // What the search did.
    int setsCreated = 0;
    int setsDestroyed = 0;
    int callsOnDeadSets = 0;
    int keysOpen = 0;
    int keysOpened = 0;
    std::vector<Guid> classesSearched;
    std::vector<std::size_t> detailBufferSizes;
    std::vector<std::size_t> propertyBufferSizes;
    std::vector<std::pair<std::string, DeviceProperty>> propertiesRead;
    std::vector<std::string> probed;

    CallStatus GetVersion(OsVersion& answer) override;

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

  private:
    static std::string ClassKey(const Guid& guid);
    // The class behind a live set, or nothing (and counted) for one already destroyed.
    FakeInterfaceClass* LiveSet(DeviceSet set);
    std::optional<RegistryKey> Open(FakeKey& parent, const std::string& name);

    std::map<std::string, FakeInterfaceClass> classes_;
    std::map<std::uintptr_t, std::string> liveSets_;
    std::map<std::uintptr_t, FakeKey*> liveKeys_;
    std::uintptr_t nextHandle_ = 1;
};

}  // namespace kd::test
