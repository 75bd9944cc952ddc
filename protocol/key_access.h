#pragma once

#include <string>
#include <string_view>

namespace kd {

// How the settings pages reach the reader's keys; the main window provides it over its
// channel.
class KeyAccess {
  public:
    virtual ~KeyAccess() = default;
    // The value's length, or -1 on any failure (value then untouched).
    virtual int ReadKey(std::string_view name, std::string& value) = 0;
    // 0, or the exchange's failure result (-1 write failed, -2 no valid reply, -3 refused).
    virtual int WriteKey(std::string_view name, std::string_view value) = 0;
    // 0, or -1 on any failure.
    virtual int StoreKeys() = 0;
};

}  // namespace kd
