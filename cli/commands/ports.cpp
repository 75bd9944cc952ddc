#include "cli/commands/ports.h"

#include <nlohmann/json.hpp>

#include "cli/exit_codes.h"
#include "cli/json_output.h"

namespace kd::cli {

namespace {

// Quotes a text the device gave, so spaces inside it do not split the line and a quote
// inside it cannot end it early.
std::string Quoted(const std::string& text) {
    std::string quoted = "\"";
    for (const char c : ShownName(text)) {
        quoted += c == '"' ? "\\\"" : std::string(1, c);
    }
    return quoted + "\"";
}

// Texts from the system may hold any bytes: escaped, they are always valid UTF-8.
nlohmann::json OrNull(const std::string& text) {
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(ShownName(text));
}

}  // namespace

std::string FormatPortsText(const std::vector<ListedPort>& ports) {
    std::string text;
    for (const ListedPort& port : ports) {
        text += ShownName(port.port);
        if (port.isUsb) {
            text += " usb";
            if (!port.vendorId.empty()) {
                // Appended piece by piece: GCC 12 warns wrongly about the chained form.
                text += ' ';
                text += ShownName(port.vendorId);
                text += ':';
                text += ShownName(port.productId);
            }
        }
        const std::pair<const char*, const std::string*> fields[] = {
            {"manufacturer", &port.manufacturer},
            {"product", &port.product},
            {"serial", &port.serialNumber},
            {"friendly-name", &port.friendlyName},
            {"by-id", &port.byId}};
        for (const auto& [name, value] : fields) {
            if (!value->empty()) {
                text += std::string(" ") + name + "=" + Quoted(*value);
            }
        }
        text += "\n";
    }
    return text;
}

std::string FormatPortsJson(const std::vector<ListedPort>& ports) {
    nlohmann::json list = nlohmann::json::array();
    for (const ListedPort& port : ports) {
        list.push_back({{"port", ShownName(port.port)},
                        {"byId", OrNull(port.byId)},
                        {"friendlyName", OrNull(port.friendlyName)},
                        {"usb", port.isUsb},
                        {"vendorId", OrNull(port.vendorId)},
                        {"productId", OrNull(port.productId)},
                        {"manufacturer", OrNull(port.manufacturer)},
                        {"product", OrNull(port.product)},
                        {"serialNumber", OrNull(port.serialNumber)}});
    }
    return list.dump(2) + "\n";
}

int RunPorts(bool json, std::FILE* out, std::FILE* err) {
    std::vector<ListedPort> ports;
    std::string error;
    const bool listed = ListMachinePorts(ports, error);
    const std::string text = json ? FormatPortsJson(ports) : FormatPortsText(ports);
    std::fputs(text.c_str(), out);
    if (!listed) {
        std::fprintf(err, "kdcfg: the port search failed: %s\n", error.c_str());
        return kExitPortUnavailable;
    }
    return kExitOk;
}

}  // namespace kd::cli
