#pragma once

#include <stdexcept>
#include <vector>

#include "link/port_info.h"
#include "link/port_source.h"
#include "link/serial_enumeration_platform.h"

namespace kd {

// A search step that failed; what() names the call and its error code.
class EnumerationError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The serial-port interface class, searched first.
inline constexpr Guid kSerialPortInterfaceClass{
    0x86E0D1E0, 0x8089, 0x11D0, {0x9C, 0xE4, 0x08, 0x00, 0x3E, 0x30, 0x1F, 0x73}};
// The USB-device interface class, searched second.
inline constexpr Guid kUsbDeviceInterfaceClass{
    0xA5DCBF10, 0x6530, 0x11D2, {0x90, 0x1F, 0x00, 0xC0, 0x4F, 0xB9, 0x51, 0xED}};

// Fills list with the serial ports of this machine, each port once. With skipBusyPorts,
// a port that cannot be opened right now is left out.
//
// Throws EnumerationError when a step fails; the records found before the failure stay
// in list.
void EnumerateSerialPorts(std::vector<PortInfo>& list, bool skipBusyPorts,
                          SerialEnumerationPlatform& platform);

// The Windows port list: every port the search finds, busy or not, of which the list
// shows those named COMn, each by its friendly name ("USB-SERIAL CH340 (COM3)"). Written
// over the platform interface, so tests run it anywhere.
class WindowsPortSource final : public PortSource {
  public:
    explicit WindowsPortSource(SerialEnumerationPlatform& platform) : platform_(platform) {}

    void ListPorts(std::vector<PortInfo>& list) override {
        EnumerateSerialPorts(list, false, platform_);
    }
    std::string EntryText(const PortInfo& port) const override;

  private:
    SerialEnumerationPlatform& platform_;
};

}  // namespace kd
