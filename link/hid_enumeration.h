#pragma once

#include <functional>
#include <string_view>
#include <vector>

#include "link/hid_platform.h"
#include "link/port_info.h"

namespace kd {

// The list the found readers are shown in.
class HidListBox {
  public:
    virtual ~HidListBox() = default;
    virtual void Clear() = 0;
    virtual void Add(std::string_view text) = 0;
    virtual void SelectFirst() = 0;
};

// The reader's vendor and product, and its interface that takes our commands.
inline constexpr uint16_t kReaderVendorId = 0x0525;
inline constexpr uint16_t kReaderProductId = 0xA4AC;
inline constexpr uint8_t kReaderInterface = 1;
inline constexpr std::string_view kReaderInterfaceMark = "&mi_01";  // in a Windows device path

// Fills list and box with the readers on the HID interface, in device order, and
// selects the first one found. When memory runs out, showPrompt tells the user and the
// search stops with what it found so far.
void EnumerateHidReaders(std::vector<HidDeviceInfo>& list, HidListBox& box, HidPlatform& platform,
                         const std::function<void(std::string_view)>& showPrompt);

}  // namespace kd
