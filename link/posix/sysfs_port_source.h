#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "link/port_source.h"

namespace kd {

// The Linux port list: the ports named on the command line first, in their order, then
// the serial ports sysfs shows under root, by name. Each device is listed once, at its
// first place, however it was named, with what sysfs tells of its USB device. A sysfs
// port shows its name ("ttyUSB0"); a named one shows its path without "/dev/" ("pts/3",
// or the path itself outside /dev); either is followed by the USB device's product,
// manufacturer and serial number when it has them.
class SysfsPortSource final : public PortSource {
  public:
    explicit SysfsPortSource(std::vector<std::string> namedPorts, std::filesystem::path root = "/")
        : namedPorts_(std::move(namedPorts)), root_(std::move(root)) {}

    void ListPorts(std::vector<PortInfo>& list) override;
    std::string EntryText(const PortInfo& port) const override;

  private:
    std::vector<std::string> namedPorts_;
    std::filesystem::path root_;
};

}  // namespace kd
