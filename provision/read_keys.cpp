#include "provision/read_keys.h"

#include <algorithm>

namespace kd::provision {

std::vector<ReaderValue> ReadKeys(KeyAccess& keys, const std::vector<std::string_view>& names,
                                  Progress* progress, Phase phase) {
    std::vector<ReaderValue> values;
    bool gone = false;
    for (const std::string_view name : names) {
        if (!gone) {
            Report(progress, {phase, values.size(), names.size(), {}});
        }
        if (gone) {
            values.push_back({std::nullopt, KeyError::NotAsked});
            continue;
        }
        std::string value;
        const auto error = FromExchange(keys.ReadKey(name, value));
        if (error) {
            values.push_back({std::nullopt, error});
            gone = *error == KeyError::ReaderGone;
        } else {
            values.push_back({std::move(value), std::nullopt});
        }
    }
    return values;
}

bool AnyError(const std::vector<ReaderValue>& values, KeyError error) {
    return std::any_of(values.begin(), values.end(),
                       [error](const ReaderValue& value) { return value.error == error; });
}

}  // namespace kd::provision
