#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace kd::cli {

// One port of this machine as `kdcfg ports` shows it. Fields the system does not
// know stay empty.
struct ListedPort {
    std::string port;          // what --port takes: "/dev/ttyUSB0" or "COM3"
    std::string byId;          // stable /dev/serial/by-id name (Linux)
    std::string friendlyName;  // the system's name for it (Windows)
    bool isUsb = false;
    std::string vendorId;  // USB ids and texts (Linux)
    std::string productId;
    std::string manufacturer;
    std::string product;
    std::string serialNumber;
};

// The ports of this machine, one file per platform. False with error set when the
// search failed; the ports found before the failure stay in ports.
bool ListMachinePorts(std::vector<ListedPort>& ports, std::string& error);

// One line per port, or a JSON array of objects.
std::string FormatPortsText(const std::vector<ListedPort>& ports);
std::string FormatPortsJson(const std::vector<ListedPort>& ports);

// Runs the command; returns the exit code.
int RunPorts(bool json, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
