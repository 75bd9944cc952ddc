#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/key_access.h"
#include "provision/key_error.h"
#include "provision/progress.h"

namespace kd::provision {

// A key's value on the reader, or why there is none.
struct ReaderValue {
    std::optional<std::string> value;
    std::optional<KeyError> error;
};

// Reads the keys in order, telling progress of each as phase. Once the reader is gone, the
// rest are not asked.
std::vector<ReaderValue> ReadKeys(KeyAccess& keys, const std::vector<std::string_view>& names,
                                  Progress* progress = nullptr, Phase phase = Phase::Reading);

// True when any value carries this error.
bool AnyError(const std::vector<ReaderValue>& values, KeyError error);

}  // namespace kd::provision
