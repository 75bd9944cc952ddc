#include "link/port_enumeration.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>
#include <optional>
#include <string>

#include "link/device_set_hold.h"
#include "text/escape.h"
#include "text/system_text.h"

namespace kd {

namespace {

constexpr uint32_t kPlatformNt = 2;
constexpr uint32_t kFirstInterfaceVersion = 5;  // device interfaces exist from here on
constexpr int kFixedPortCount = 16;
constexpr std::size_t kDetailBufferSize = 261;
constexpr std::size_t kPropertyBufferSize = 256;
constexpr std::size_t kRegistryBufferSize = 128;

std::string WithCode(const char* text, uint32_t code) {
    std::array<char, 16> hex{};
    const auto converted = std::to_chars(hex.data(), hex.data() + hex.size(), code, 16);
    return std::string(text) + " (err=" + std::string(hex.data(), converted.ptr) + ")";
}

// The text in a buffer a call filled: up to the first NUL, never past the bytes the
// call reported nor past the buffer, as values need not end in a NUL.
std::string BoundedText(std::span<const char> buffer, std::size_t reported) {
    const std::size_t limit = std::min(reported, buffer.size());
    const auto end =
        std::find(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(limit), '\0');
    return std::string(buffer.begin(), end);
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Keeps a registry key open until the scope ends, thrown out of or not.
class KeyHold {
  public:
    KeyHold(Registry& registry, RegistryKey key) : registry_(registry), key_(key) {}
    KeyHold(const KeyHold&) = delete;
    KeyHold& operator=(const KeyHold&) = delete;
    ~KeyHold() { registry_.CloseKey(key_); }

    RegistryKey Get() const { return key_; }

  private:
    Registry& registry_;
    RegistryKey key_;
};

std::optional<std::string> ReadProperty(DeviceInstallation& devices, DeviceSet set,
                                        const DeviceInfoData& device, DeviceProperty property) {
    std::array<char, kPropertyBufferSize> buffer{};
    const std::optional<std::size_t> reported =
        devices.GetDeviceRegistryProperty(set, device, property, buffer);
    if (!reported) {
        return std::nullopt;
    }
    return BoundedText(buffer, *reported);
}

void SearchDeviceInterfaces(std::vector<PortInfo>& list, const Guid& interfaceClass,
                            DeviceInstallation& devices) {
    DeviceSet set{};
    const CallStatus opened = devices.GetClassDevices(interfaceClass, set);
    if (!opened.ok) {
        throw EnumerationError(WithCode("SetupDiGetClassDevs failed.", opened.error));
    }
    const DeviceSetHold hold(devices, set);

    for (uint32_t index = 0;; ++index) {
        DeviceInterfaceData iface;
        const CallStatus found = devices.EnumDeviceInterfaces(set, interfaceClass, index, iface);
        if (!found.ok) {
            if (found.error == kErrorNoMoreItems) {
                return;
            }
            throw EnumerationError(WithCode("SetupDiEnumDeviceInterfaces failed.", found.error));
        }

        std::string devicePath;
        DeviceInfoData device;
        const CallStatus detailed =
            devices.GetDeviceInterfaceDetail(set, iface, kDetailBufferSize, devicePath, device);
        if (!detailed.ok) {
            throw EnumerationError(
                WithCode("SetupDiGetDeviceInterfaceDetail failed.", detailed.error));
        }

        const std::optional<std::string> friendlyName =
            ReadProperty(devices, set, device, DeviceProperty::FriendlyName);
        std::optional<std::string> description;
        if (friendlyName) {
            description = ReadProperty(devices, set, device, DeviceProperty::DeviceDescription);
        }
        const std::optional<std::string> location =
            ReadProperty(devices, set, device, DeviceProperty::LocationInformation);
        const bool isUsb = location && location->starts_with("USB");

        if (friendlyName && description) {
            list.push_back({devicePath, "", *friendlyName, isUsb, *description});
        }
    }
}

// Systems of the NT line without device interfaces: the usual sixteen names, unprobed.
void AppendFixedList(std::vector<PortInfo>& list) {
    for (int n = 1; n <= kFixedPortCount; ++n) {
        const std::string portName = "COM" + std::to_string(n);
        list.push_back({"\\\\.\\" + portName, portName, "", false, ""});
    }
}

std::optional<std::string> SubkeyName(Registry& registry, RegistryKey key, uint32_t index) {
    std::array<char, kRegistryBufferSize> buffer{};
    const std::optional<std::size_t> length = registry.EnumKey(key, index, buffer);
    if (!length) {
        return std::nullopt;
    }
    return BoundedText(buffer, *length);
}

std::optional<std::string> StringValue(Registry& registry, RegistryKey key,
                                       const std::string& name) {
    std::array<char, kRegistryBufferSize> buffer{};
    const std::optional<std::size_t> bytes = registry.QueryValue(key, name, buffer);
    if (!bytes) {
        return std::nullopt;
    }
    return BoundedText(buffer, *bytes);
}

// Opens a subkey or throws the text naming it.
RegistryKey OpenOrThrow(Registry& registry, RegistryKey parent, const std::string& name,
                        const std::string& failure) {
    const std::optional<RegistryKey> key = registry.OpenKey(parent, name);
    if (!key) {
        throw EnumerationError(failure);
    }
    return *key;
}

void StorePort(std::vector<PortInfo>& list, PortInfo port) {
    const auto same = std::find_if(list.begin(), list.end(), [&](const PortInfo& known) {
        return known.portName == port.portName;
    });
    if (same != list.end()) {
        *same = std::move(port);
    } else {
        list.push_back(std::move(port));
    }
}

void WalkInstances(std::vector<PortInfo>& list, Registry& registry, RegistryKey identifier,
                   bool usbPorts) {
    for (uint32_t index = 0;; ++index) {
        const std::optional<std::string> instance = SubkeyName(registry, identifier, index);
        if (!instance) {
            return;
        }
        const KeyHold instanceKey(registry,
                                  OpenOrThrow(registry, identifier, *instance,
                                              "Could not read from HKLM\\Enum\\...\\" + *instance));
        const std::optional<std::string> portName =
            StringValue(registry, instanceKey.Get(), "PORTNAME");
        if (!portName) {
            continue;
        }
        std::string friendlyName =
            StringValue(registry, instanceKey.Get(), "FRIENDLYNAME").value_or("");
        StorePort(list, {"\\\\.\\" + *portName, *portName, std::move(friendlyName), usbPorts, ""});
    }
}

// Systems before device interfaces and outside the NT line keep their ports under
// HKLM\Enum\<bus>\<identifier>\<instance>.
void WalkRegistry(std::vector<PortInfo>& list, Registry& registry) {
    const std::optional<RegistryKey> root = registry.OpenLocalMachineKey("Enum");
    if (!root) {
        throw EnumerationError("Could not read from HKLM\\Enum");
    }
    const KeyHold enumKey(registry, *root);

    for (uint32_t busIndex = 0;; ++busIndex) {
        const std::optional<std::string> bus = SubkeyName(registry, enumKey.Get(), busIndex);
        if (!bus) {
            return;
        }
        const KeyHold busKey(registry, OpenOrThrow(registry, enumKey.Get(), *bus,
                                                   "Could not read from HKLM\\Enum\\" + *bus));
        const bool usbPorts = *bus == "USBPORTS";

        for (uint32_t idIndex = 0;; ++idIndex) {
            const std::optional<std::string> identifier =
                SubkeyName(registry, busKey.Get(), idIndex);
            if (!identifier) {
                break;
            }
            if (!usbPorts && *identifier != "*PNP0500" && *identifier != "*PNP0501") {
                continue;
            }
            const KeyHold identifierKey(registry, OpenOrThrow(registry, busKey.Get(), *identifier,
                                                              "Could not read from HKLM\\Enum\\" +
                                                                  *bus + "\\" + *identifier));
            WalkInstances(list, registry, identifierKey.Get(), usbPorts);
        }
    }
}

// Takes a port number out of a friendly name such as "USB Serial Port (COM7)". The last
// "COM" with digits wins, so "COMMS HUB (COM3)" is COM3; a name with no such "COM" gives
// what follows its first "COM", as before.
std::string PortNameFrom(const std::string& friendlyName) {
    std::string found;
    for (std::size_t at = friendlyName.find("COM"); at != std::string::npos;
         at = friendlyName.find("COM", at + 1)) {
        std::size_t end = at + 3;
        while (end < friendlyName.size() && IsDigit(friendlyName[end])) {
            ++end;
        }
        if (found.empty() || end > at + 3) {
            found = friendlyName.substr(at, end - at);
        }
    }
    return found;
}

// "Foo (COM3)" describes the port as "Foo".
std::string DescriptionFrom(const std::string& friendlyName) {
    const std::size_t open = friendlyName.find(" (");
    const std::size_t close = friendlyName.find(')');
    if (open != std::string::npos && open > 0 && close != std::string::npos &&
        close + 1 == friendlyName.size()) {
        return friendlyName.substr(0, open);
    }
    return friendlyName;
}

// Whether text holds the port's name as a whole word: "COM1" is not in "COM12".
bool NamesPort(const std::string& text, const std::string& name) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
        const std::size_t end = at + name.size();
        const bool wordStart = at == 0 || !std::isalnum(static_cast<unsigned char>(text[at - 1]));
        const bool wordEnd = end == text.size() || !IsDigit(text[end]);
        if (wordStart && wordEnd) {
            return true;
        }
    }
    return false;
}

// Fills in the names a record lacks and drops ports that are busy or already listed.
void Tidy(std::vector<PortInfo>& list, bool skipBusyPorts, PortProbe& probe) {
    std::size_t index = 0;
    while (index < list.size()) {
        const auto at = list.begin() + static_cast<std::ptrdiff_t>(index);
        PortInfo& port = *at;
        if (skipBusyPorts && !probe.CanOpenExclusively(port.devicePath)) {
            list.erase(at);
            continue;
        }
        if (port.friendlyName.empty()) {
            port.friendlyName = port.portName;
        }
        if (port.portName.empty() && !port.friendlyName.empty()) {
            port.portName = PortNameFrom(port.friendlyName);
        }
        if (port.description.empty()) {
            port.description = DescriptionFrom(port.friendlyName);
        }
        const bool listedBefore = std::any_of(list.begin(), at, [&](const PortInfo& earlier) {
            return earlier.portName == port.portName;
        });
        if (listedBefore) {
            list.erase(at);
            continue;
        }
        ++index;
    }
}

void RunPass(std::vector<PortInfo>& list, const Guid& interfaceClass, bool skipBusyPorts,
             SerialEnumerationPlatform& platform) {
    OsVersion version;
    const CallStatus asked = platform.GetVersion(version);
    if (!asked.ok) {
        throw EnumerationError(WithCode("Could not get OS version.", asked.error));
    }
    if (version.major >= kFirstInterfaceVersion) {
        SearchDeviceInterfaces(list, interfaceClass, platform);
    } else if (version.platformId == kPlatformNt) {
        AppendFixedList(list);
    } else {
        WalkRegistry(list, platform);
    }
    Tidy(list, skipBusyPorts, platform);
}

}  // namespace

void EnumerateSerialPorts(std::vector<PortInfo>& list, bool skipBusyPorts,
                          SerialEnumerationPlatform& platform) {
    list.clear();
    RunPass(list, kSerialPortInterfaceClass, skipBusyPorts, platform);
    RunPass(list, kUsbDeviceInterfaceClass, skipBusyPorts, platform);
}

std::string WindowsPortSource::EntryText(const PortInfo& port) const {
    const std::string& name = port.portName.empty() ? port.friendlyName : port.portName;
    if (!name.starts_with("COM")) {
        return {};
    }
    // The friendly name usually ends in the port's name; one that does not gets it added,
    // so that every entry says which port it is.
    std::string entry = name;
    if (!port.friendlyName.empty() && port.friendlyName != name) {
        entry = NamesPort(port.friendlyName, name) ? port.friendlyName
                                                   : port.friendlyName + " (" + name + ")";
    }
    return text::EscapeSystemText(text::SystemTextToUtf8(entry));
}

}  // namespace kd
