#pragma once

#include <string>
#include <string_view>

namespace kd {

// How the settings pages reach the reader's keys; the main window provides it over its
// channel.
class KeyAccess {
  public:
    virtual ~KeyAccess() = default;
    // Not negative on success; on failure negative, with value untouched: the exchange's
    // own result (-1 to -4) where the implementation keeps it, else -1.
    virtual int ReadKey(std::string_view name, std::string& value) = 0;
    // 0, or the exchange's failure result (-1 write failed, -2 no valid reply, -3 refused,
    // -4 no reply at all).
    virtual int WriteKey(std::string_view name, std::string_view value) = 0;
    // 0; on failure negative, the exchange's own result where kept, else -1.
    virtual int StoreKeys() = 0;
};

}  // namespace kd
