#pragma once

#include "link/serial_enumeration_platform.h"

namespace kd {

// Gives a device information set back to the platform that made it when the scope ends,
// thrown out of or not. Serves both searches, whose platforms share the call by name only.
template <typename Platform>
class DeviceSetHold {
  public:
    DeviceSetHold(Platform& platform, DeviceSet set) : platform_(platform), set_(set) {}
    DeviceSetHold(const DeviceSetHold&) = delete;
    DeviceSetHold& operator=(const DeviceSetHold&) = delete;
    ~DeviceSetHold() { platform_.DestroyDeviceInfoList(set_); }

  private:
    Platform& platform_;
    DeviceSet set_;
};

}  // namespace kd
