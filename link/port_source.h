#pragma once

#include <string>
#include <vector>

#include "link/port_info.h"

namespace kd {

// Where the main window's port list comes from: the system's search on each platform,
// and a fake in tests.
class PortSource {
  public:
    virtual ~PortSource() = default;

    // Fills list with the serial ports of this machine, each once. Throws
    // EnumerationError when a step fails; the records found before it stay in list.
    virtual void ListPorts(std::vector<PortInfo>& list) = 0;

    // The name the port list shows for a record; empty when the list leaves it out.
    virtual std::string ShownName(const PortInfo& port) const = 0;
};

}  // namespace kd
