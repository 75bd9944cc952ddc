#include "link/posix/sysfs_hid_platform.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <system_error>

namespace kd {

namespace fs = std::filesystem;

namespace {

// The interface class Windows gives HID devices; the search asks for it by this name.
constexpr Guid kHidInterfaceClass{
    0x4D1E55B2, 0xF16F, 0x11CF, {0x88, 0xCB, 0x00, 0x11, 0x11, 0x00, 0x00, 0x30}};
constexpr std::string_view kNodePrefix = "/dev/";

std::string FirstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

template <typename Number>
std::optional<Number> ParseHex(std::string_view text) {
    Number value{};
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (error != std::errc() || end == text.data()) {
        return std::nullopt;
    }
    return value;
}

// "HID_ID=0003:00000525:0000A4AC": bus, vendor and product of the HID device.
std::optional<HidAttributes> IdsFromUevent(const fs::path& uevent) {
    std::ifstream in(uevent);
    constexpr std::string_view kKey = "HID_ID=";
    for (std::string line; std::getline(in, line);) {
        if (!line.starts_with(kKey)) {
            continue;
        }
        const std::string_view ids = std::string_view(line).substr(kKey.size());
        const std::size_t first = ids.find(':');
        const std::size_t second = ids.find(':', first + 1);
        if (first == std::string_view::npos || second == std::string_view::npos) {
            return std::nullopt;
        }
        const auto vendor = ParseHex<uint32_t>(ids.substr(first + 1, second - first - 1));
        const auto product = ParseHex<uint32_t>(ids.substr(second + 1));
        if (!vendor || !product || *vendor > 0xFFFF || *product > 0xFFFF) {
            return std::nullopt;
        }
        HidAttributes attributes;
        attributes.vendorId = static_cast<uint16_t>(*vendor);
        attributes.productId = static_cast<uint16_t>(*product);
        return attributes;
    }
    return std::nullopt;
}

// hidraw2 before hidraw10.
bool NodeOrder(const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
}

}  // namespace

Guid SysfsHidPlatform::GetHidClass() {
    return kHidInterfaceClass;
}

std::optional<DeviceSet> SysfsHidPlatform::GetClassDevices(const Guid& interfaceClass) {
    if (interfaceClass != kHidInterfaceClass) {
        return std::nullopt;
    }
    std::vector<std::string> nodes;
    std::error_code ec;
    for (fs::directory_iterator it(root_ / "sys/class/hidraw", ec), end; !ec && it != end;
         it.increment(ec)) {
        nodes.push_back(it->path().filename().string());
    }
    std::sort(nodes.begin(), nodes.end(), NodeOrder);
    const std::uintptr_t id = nextSet_++;
    sets_.emplace(id, std::move(nodes));
    return DeviceSet{id};
}

void SysfsHidPlatform::DestroyDeviceInfoList(DeviceSet set) {
    sets_.erase(static_cast<std::uintptr_t>(set));
}

const std::vector<std::string>* SysfsHidPlatform::Nodes(DeviceSet set) const {
    const auto found = sets_.find(static_cast<std::uintptr_t>(set));
    return found == sets_.end() ? nullptr : &found->second;
}

bool SysfsHidPlatform::EnumDeviceInterfaces(DeviceSet set, const Guid& interfaceClass,
                                            uint32_t index, DeviceInterfaceData& iface) {
    const std::vector<std::string>* nodes = Nodes(set);
    if (nodes == nullptr || interfaceClass != kHidInterfaceClass || index >= nodes->size()) {
        return false;
    }
    iface = {interfaceClass, 0, index};
    return true;
}

InterfacePathResult SysfsHidPlatform::GetInterfacePath(DeviceSet set,
                                                       const DeviceInterfaceData& iface,
                                                       std::string& devicePath) {
    const std::vector<std::string>* nodes = Nodes(set);
    if (nodes == nullptr || iface.reserved >= nodes->size()) {
        return InterfacePathResult::Failed;
    }
    devicePath = std::string(kNodePrefix) + (*nodes)[iface.reserved];
    return InterfacePathResult::Ok;
}

// The hidraw node's device is the HID device (its uevent holds the ids); above it sit
// the USB interface (bInterfaceNumber) and the USB device (bcdDevice).
std::optional<HidAttributes> SysfsHidPlatform::ReadAttributes(const std::string& devicePath) {
    if (!devicePath.starts_with(kNodePrefix)) {
        return std::nullopt;
    }
    const std::string node = devicePath.substr(kNodePrefix.size());
    if (node.empty() || node.find('/') != std::string::npos) {
        return std::nullopt;
    }
    std::error_code ec;
    const fs::path hidDevice = fs::canonical(root_ / "sys/class/hidraw" / node / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    std::optional<HidAttributes> attributes = IdsFromUevent(hidDevice / "uevent");
    if (!attributes) {
        return std::nullopt;
    }
    const fs::path usbInterface = hidDevice.parent_path();
    if (const auto number = ParseHex<uint8_t>(FirstLine(usbInterface / "bInterfaceNumber"))) {
        attributes->interfaceNumber = *number;
    }
    if (const auto version =
            ParseHex<uint16_t>(FirstLine(usbInterface.parent_path() / "bcdDevice"))) {
        attributes->versionNumber = *version;
    }
    return attributes;
}

}  // namespace kd
