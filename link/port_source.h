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

    // What the port list shows for a record: the port's name and what the system knows
    // of the device behind it, through the escape rule; empty when the list leaves the
    // record out. It is for people only: the record says what to open.
    virtual std::string EntryText(const PortInfo& port) const = 0;
};

}  // namespace kd
