#include "provision/dump_diff.h"

namespace kd::provision {

std::vector<DumpedKey> Dump(KeyAccess& keys, Progress* progress) {
    std::vector<std::string_view> names;
    for (const catalogue::KeyInfo& key : catalogue::Keys()) {
        names.push_back(key.name);
    }
    std::vector<ReaderValue> values = ReadKeys(keys, names, progress);
    std::vector<DumpedKey> dumped;
    for (size_t i = 0; i < values.size(); ++i) {
        dumped.push_back({&catalogue::Keys()[i], std::move(values[i])});
    }
    return dumped;
}

DiffResult Diff(KeyAccess& keys, const profile::Profile& profile, Progress* progress) {
    std::vector<std::string_view> names;
    for (const profile::Entry& entry : profile.entries) {
        names.push_back(entry.key);
    }
    std::vector<ReaderValue> values = ReadKeys(keys, names, progress);
    DiffResult result;
    for (size_t i = 0; i < values.size(); ++i) {
        const profile::Entry& entry = profile.entries[i];
        if (values[i].error) {
            result.failed = true;
        } else if (values[i].value == entry.value) {
            continue;
        }
        result.differences.push_back({entry.key, entry.line, std::move(values[i]), entry.value,
                                      catalogue::IsReadOnly(entry.key)});
    }
    return result;
}

}  // namespace kd::provision
