#include "link/posix/sysfs_ports.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <system_error>

namespace kd {

namespace fs = std::filesystem;

namespace {

// The first line of a sysfs attribute, or empty when it is missing.
std::string ReadAttribute(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' ')) {
        line.pop_back();
    }
    return line;
}

// Serial-core ports (the 8250 family) report their UART type; type 0 means no UART was
// found, which is how the driver's placeholder ports look. Other drivers have no type.
bool HasHardware(const fs::path& ttyDir) {
    std::error_code ec;
    if (!fs::exists(ttyDir / "type", ec)) {
        return true;
    }
    const std::string type = ReadAttribute(ttyDir / "type");
    return !type.empty() && type != "0";
}

// Walks up from the port's device to the USB device that holds idVendor.
std::optional<UsbPortDetails> FindUsbDetails(const fs::path& ttyDir) {
    std::error_code ec;
    fs::path dir = fs::canonical(ttyDir / "device", ec);
    if (ec) {
        return std::nullopt;
    }
    for (; dir.has_relative_path(); dir = dir.parent_path()) {
        if (fs::exists(dir / "idVendor", ec)) {
            return UsbPortDetails{ReadAttribute(dir / "idVendor"), ReadAttribute(dir / "idProduct"),
                                  ReadAttribute(dir / "manufacturer"),
                                  ReadAttribute(dir / "product"), ReadAttribute(dir / "serial")};
        }
        if (dir.filename() == "devices") {
            break;
        }
    }
    return std::nullopt;
}

// Maps each port name to the by-id link that leads to it.
std::map<std::string, std::string> ByIdNames(const fs::path& root) {
    std::map<std::string, std::string> names;
    std::error_code ec;
    const fs::path dir = root / "dev/serial/by-id";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code linkError;
        const fs::path target = fs::read_symlink(it->path(), linkError);
        if (!linkError) {
            names.emplace(target.filename().string(),
                          "/dev/serial/by-id/" + it->path().filename().string());
        }
    }
    return names;
}

}  // namespace

std::vector<SysfsPort> ListSysfsPorts(const fs::path& root) {
    std::vector<SysfsPort> ports;
    const auto byId = ByIdNames(root);
    std::error_code ec;
    for (fs::directory_iterator it(root / "sys/class/tty", ec), end; !ec && it != end;
         it.increment(ec)) {
        const fs::path ttyDir = it->path();
        std::error_code linkError;
        if (!fs::exists(ttyDir / "device", linkError) || !HasHardware(ttyDir)) {
            continue;
        }
        SysfsPort port;
        port.name = ttyDir.filename().string();
        port.devicePath = "/dev/" + port.name;
        if (const auto found = byId.find(port.name); found != byId.end()) {
            port.byIdPath = found->second;
        }
        port.usb = FindUsbDetails(ttyDir);
        ports.push_back(std::move(port));
    }
    std::sort(ports.begin(), ports.end(),
              [](const SysfsPort& a, const SysfsPort& b) { return a.name < b.name; });
    return ports;
}

}  // namespace kd
