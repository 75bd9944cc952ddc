#pragma once

#include <optional>
#include <string>
#include <vector>

#include "catalogue/key_table.h"
#include "catalogue/profile.h"
#include "protocol/key_access.h"
#include "provision/read_keys.h"

// Reading a whole configuration, and comparing a reader with a profile.
namespace kd::provision {

struct DumpedKey {
    const catalogue::KeyInfo* key;
    ReaderValue read;
};

// Every catalogue key in catalogue order, each with its value or why it has none.
std::vector<DumpedKey> Dump(KeyAccess& keys, Progress* progress = nullptr);

// A key whose value on the reader is not the profile's, or could not be read.
struct Difference {
    std::string key;
    size_t line = 0;
    ReaderValue reader;
    std::string profileValue;
    bool readOnly = false;  // the reader sets it itself: shown, never written
};

struct DiffResult {
    std::vector<Difference> differences;  // in the profile's order; failed reads too
    bool failed = false;                  // some key could not be read
};

DiffResult Diff(KeyAccess& keys, const profile::Profile& profile, Progress* progress = nullptr);

}  // namespace kd::provision
