#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/profile.h"
#include "protocol/key_access.h"
#include "provision/dump_diff.h"

// Putting a profile on a reader and proving that it took.
namespace kd::provision {

// A profile line that the catalogue does not allow.
struct CheckProblem {
    size_t line;
    std::string key;
    std::string message;
    bool forcible;  // --force sends it anyway; a value past the key's limit cannot be sent
};

std::vector<CheckProblem> CheckProfile(const profile::Profile& profile);

struct ApplyOptions {
    bool dryRun = false;  // read and compare, write nothing
    bool force = false;   // send what the catalogue check refuses, where it can be sent
};

struct KeyWrite {
    std::string key;
    size_t line = 0;
    ReaderValue before;
    std::string value;
    bool written = false;
    std::optional<KeyError> writeError;
    ReaderValue readBack;  // after the store
    // A write-only key is never read back: the reader's acknowledgement is all there is.
    bool readable = true;
    bool Verified() const { return !readable || readBack.value == value; }
    // Taken by the reader, or sent without a valid reply: it may have taken it.
    bool MayHaveReached() const;
};

enum class ApplyOutcome {
    Verified,      // written, stored, read back equal (write-only keys: acknowledged)
    NothingToDo,   // the reader already held every writable key of the profile
    DryRun,        // the writes were listed, nothing sent
    CheckRefused,  // the catalogue check refused the profile: nothing sent
    ReadFailed,    // the reader went away while its values were read: nothing written
    WriteFailed,   // a write failed: nothing stored
    StoreFailed,   // every write went, the store did not
    VerifyFailed,  // stored, but a key read back differently or not at all
};

struct ApplyResult {
    ApplyOutcome outcome = ApplyOutcome::NothingToDo;
    std::vector<CheckProblem> problems;
    // Read-only keys that differ or could not be read: noted, never written.
    std::vector<Difference> readOnly;
    std::vector<KeyWrite> writes;  // the keys that differed, in the profile's order
    std::optional<KeyError> storeError;
    bool stored = false;
    // Some write reached the reader, or may have (no valid reply), and nothing was
    // stored: it may run with unsaved changes until it is powered off.
    bool UnsavedChanges() const;
    // The writes of write-only keys: taken by the reader, never read back.
    size_t NotReadBack() const;
};

// A short word for machine-readable output: "verified", "nothing-to-do" and the like.
std::string_view Code(ApplyOutcome outcome);

// Tells progress of reading, writing, storing and verifying.
ApplyResult Apply(KeyAccess& keys, const profile::Profile& profile, const ApplyOptions& options,
                  Progress* progress = nullptr);

}  // namespace kd::provision
