#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kd {

// The few system calls the port search needs, in portable terms. The Windows
// implementation maps each one onto one API call; the tests play them with fakes.

// A device-interface class, laid out like the system's GUID.
struct Guid {
    uint32_t data1 = 0;
    uint16_t data2 = 0;
    uint16_t data3 = 0;
    std::array<uint8_t, 8> data4{};

    friend bool operator==(const Guid&, const Guid&) = default;
};

// How a call ended: on failure, the system's error code (GetLastError on Windows).
struct CallStatus {
    bool ok = true;
    uint32_t error = 0;

    static CallStatus Ok() { return {}; }
    static CallStatus Failed(uint32_t code) { return {false, code}; }
};

// The error code of an enumeration that has run out of members.
inline constexpr uint32_t kErrorNoMoreItems = 259;

struct OsVersion {
    uint32_t major = 0;
    uint32_t minor = 0;
    uint32_t build = 0;
    uint32_t platformId = 0;  // 2 on the NT line
};

class VersionQuery {
  public:
    virtual ~VersionQuery() = default;
    virtual CallStatus GetVersion(OsVersion& version) = 0;
};

// A device information set; only the implementation that made it knows what it is.
enum class DeviceSet : std::uintptr_t {};

// What the enumeration hands back about one interface. The search code only passes it
// on to the detail call.
struct DeviceInterfaceData {
    Guid interfaceClass;
    uint32_t flags = 0;
    std::uintptr_t reserved = 0;
};

// The device behind an interface, as the detail call reports it, for property reads.
struct DeviceInfoData {
    Guid deviceClass;
    uint32_t devInst = 0;
    std::uintptr_t reserved = 0;
};

enum class DeviceProperty : uint32_t {
    DeviceDescription = 0,
    FriendlyName = 12,
    LocationInformation = 13,
};

class DeviceInstallation {
  public:
    virtual ~DeviceInstallation() = default;

    // The present devices exposing an interface of this class. A set handed out must
    // be given back to DestroyDeviceInfoList.
    virtual CallStatus GetClassDevices(const Guid& interfaceClass, DeviceSet& set) = 0;
    virtual void DestroyDeviceInfoList(DeviceSet set) = 0;

    // Fails with kErrorNoMoreItems past the last member.
    virtual CallStatus EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass,
                                            uint32_t index, DeviceInterfaceData& iface) = 0;

    // The interface's device path, read through a detail buffer of bufferSize bytes
    // (fixed part included); fails when the path does not fit.
    virtual CallStatus GetDeviceInterfaceDetail(DeviceSet set, const DeviceInterfaceData& iface,
                                                std::size_t bufferSize, std::string& devicePath,
                                                DeviceInfoData& device) = 0;

    // Reads a property's raw bytes into buffer. The count of bytes the call reports, or
    // nothing when it failed (a value larger than the buffer fails).
    virtual std::optional<std::size_t> GetDeviceRegistryProperty(DeviceSet set,
                                                                 const DeviceInfoData& device,
                                                                 DeviceProperty property,
                                                                 std::span<char> buffer) = 0;
};

// An open registry key; only the implementation that opened it knows what it is.
enum class RegistryKey : std::uintptr_t {};

// Read-only access to the registry. Every key opened must be given back to CloseKey.
class Registry {
  public:
    virtual ~Registry() = default;

    virtual std::optional<RegistryKey> OpenLocalMachineKey(const std::string& name) = 0;
    virtual std::optional<RegistryKey> OpenKey(RegistryKey parent, const std::string& name) = 0;
    virtual void CloseKey(RegistryKey key) = 0;

    // The name of subkey number index written into buffer; the count of characters
    // reported, or nothing past the last subkey or when the name does not fit.
    virtual std::optional<std::size_t> EnumKey(RegistryKey key, uint32_t index,
                                               std::span<char> buffer) = 0;

    // A value's raw bytes written into buffer; the count of bytes reported, or nothing
    // when the value is missing or does not fit.
    virtual std::optional<std::size_t> QueryValue(RegistryKey key, const std::string& name,
                                                  std::span<char> buffer) = 0;
};

class PortProbe {
  public:
    virtual ~PortProbe() = default;
    // Opens the port for reading and writing, unshared, and closes it at once. False
    // when it could not be opened (missing, or held by another program).
    virtual bool CanOpenExclusively(const std::string& devicePath) = 0;
};

// Everything the port search asks of the system.
class SerialEnumerationPlatform : public VersionQuery,
                                  public DeviceInstallation,
                                  public Registry,
                                  public PortProbe {};

}  // namespace kd
