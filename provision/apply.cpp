#include "provision/apply.h"

#include <algorithm>

#include "catalogue/key_catalogue.h"
#include "catalogue/key_table.h"

namespace kd::provision {

namespace {

std::optional<CheckProblem> CheckEntry(const profile::Entry& entry) {
    const catalogue::KeyInfo* key = catalogue::FindKey(entry.key);
    if (key == nullptr) {
        if (catalogue::WriteLimit(entry.key) >= entry.value.size()) {
            return CheckProblem{entry.line, entry.key,
                                "not a key of the catalogue" + catalogue::SimilarKeyHint(entry.key),
                                true};
        }
        return CheckProblem{entry.line, entry.key,
                            "not a key of the catalogue, and too long to send", false};
    }
    if (catalogue::IsReadOnly(entry.key)) {
        return std::nullopt;  // compared, never written
    }
    const auto problem = catalogue::CheckValue(*key, entry.value);
    if (problem == catalogue::ValueProblem::TooLong) {
        return CheckProblem{entry.line, entry.key,
                            "value longer than the " +
                                std::to_string(catalogue::WriteLimit(entry.key)) +
                                " bytes the key takes",
                            false};
    }
    if (problem == catalogue::ValueProblem::NotAllowed) {
        return CheckProblem{entry.line, entry.key, "value is not one the catalogue allows", true};
    }
    return std::nullopt;
}

// Writes each change until the reader is gone; true when every one went.
bool WriteChanges(KeyAccess& keys, std::vector<KeyWrite>& writes, Progress* progress) {
    bool allWritten = true;
    bool gone = false;
    for (size_t i = 0; i < writes.size(); ++i) {
        KeyWrite& write = writes[i];
        if (gone) {
            write.writeError = KeyError::NotAsked;
            continue;
        }
        Report(progress, {Phase::Writing, i, writes.size(), {}});
        write.writeError = FromExchange(keys.WriteKey(write.key, write.value));
        write.written = !write.writeError;
        allWritten = allWritten && write.written;
        gone = write.writeError == KeyError::ReaderGone;
    }
    return allWritten;
}

// Reads the written keys again after the store. A key the catalogue says is never read
// is not asked: a reader may well refuse that read.
void ReadBack(KeyAccess& keys, std::vector<KeyWrite>& writes, Progress* progress) {
    std::vector<KeyWrite*> asked;
    std::vector<std::string_view> names;
    for (KeyWrite& write : writes) {
        if (write.readable) {
            asked.push_back(&write);
            names.push_back(write.key);
        }
    }
    std::vector<ReaderValue> after = ReadKeys(keys, names, progress, Phase::Verifying);
    for (size_t i = 0; i < after.size(); ++i) {
        asked[i]->readBack = std::move(after[i]);
    }
}

// Reads the profile's keys and notes each that differs, as a write or, for a read-only
// key, as a difference; false when the reader stopped answering.
bool CompareWithReader(KeyAccess& keys, const profile::Profile& profile, ApplyResult& result,
                       Progress* progress) {
    std::vector<std::string_view> names;
    for (const profile::Entry& entry : profile.entries) {
        names.push_back(entry.key);
    }
    std::vector<ReaderValue> before = ReadKeys(keys, names, progress);
    if (AnyError(before, KeyError::ReaderGone)) {
        return false;
    }
    for (size_t i = 0; i < before.size(); ++i) {
        const profile::Entry& entry = profile.entries[i];
        if (before[i].value == entry.value) {
            continue;
        }
        // A key that could not be read is written: whether it differs is unknown.
        if (catalogue::IsReadOnly(entry.key)) {
            result.readOnly.push_back(
                {entry.key, entry.line, std::move(before[i]), entry.value, true});
        } else {
            KeyWrite write;
            write.key = entry.key;
            write.line = entry.line;
            write.before = std::move(before[i]);
            write.value = entry.value;
            write.readable = !catalogue::IsWriteOnly(entry.key);
            result.writes.push_back(std::move(write));
        }
    }
    return true;
}

ApplyOutcome WriteStoreAndVerify(KeyAccess& keys, ApplyResult& result, Progress* progress) {
    // A failed write leaves the saved configuration as it was: no store.
    if (!WriteChanges(keys, result.writes, progress)) {
        return ApplyOutcome::WriteFailed;
    }
    Report(progress, {Phase::Storing, 0, 0, {}});
    result.storeError = FromExchange(keys.StoreKeys());
    result.stored = !result.storeError;
    if (!result.stored) {
        return ApplyOutcome::StoreFailed;
    }
    ReadBack(keys, result.writes, progress);
    const bool verified = std::all_of(result.writes.begin(), result.writes.end(),
                                      [](const KeyWrite& write) { return write.Verified(); });
    return verified ? ApplyOutcome::Verified : ApplyOutcome::VerifyFailed;
}

}  // namespace

std::vector<CheckProblem> CheckProfile(const profile::Profile& profile) {
    std::vector<CheckProblem> problems;
    for (const profile::Entry& entry : profile.entries) {
        if (auto problem = CheckEntry(entry)) {
            problems.push_back(std::move(*problem));
        }
    }
    return problems;
}

bool KeyWrite::MayHaveReached() const {
    // Only a refusal, or a write never asked for, shows that the reader did not take it.
    return written ||
           (writeError && writeError != KeyError::Refused && writeError != KeyError::NotAsked);
}

bool ApplyResult::UnsavedChanges() const {
    return !stored && std::any_of(writes.begin(), writes.end(),
                                  [](const KeyWrite& write) { return write.MayHaveReached(); });
}

size_t ApplyResult::NotReadBack() const {
    return static_cast<size_t>(std::count_if(
        writes.begin(), writes.end(), [](const KeyWrite& write) { return !write.readable; }));
}

ApplyResult Apply(KeyAccess& keys, const profile::Profile& profile, const ApplyOptions& options,
                  Progress* progress) {
    ApplyResult result;
    result.problems = CheckProfile(profile);
    const bool blocked = std::any_of(
        result.problems.begin(), result.problems.end(),
        [&](const CheckProblem& problem) { return !options.force || !problem.forcible; });
    if (blocked) {
        result.outcome = ApplyOutcome::CheckRefused;
        return result;
    }
    if (!CompareWithReader(keys, profile, result, progress)) {
        result.outcome = ApplyOutcome::ReadFailed;
        return result;
    }
    if (result.writes.empty()) {
        result.outcome = ApplyOutcome::NothingToDo;
        return result;
    }
    if (options.dryRun) {
        result.outcome = ApplyOutcome::DryRun;
        return result;
    }
    result.outcome = WriteStoreAndVerify(keys, result, progress);
    return result;
}

std::string_view Code(ApplyOutcome outcome) {
    switch (outcome) {
        case ApplyOutcome::Verified:
            return "verified";
        case ApplyOutcome::NothingToDo:
            return "nothing-to-do";
        case ApplyOutcome::DryRun:
            return "dry-run";
        case ApplyOutcome::CheckRefused:
            return "refused-by-check";
        case ApplyOutcome::ReadFailed:
            return "read-failed";
        case ApplyOutcome::WriteFailed:
            return "write-failed";
        case ApplyOutcome::StoreFailed:
            return "store-failed";
        case ApplyOutcome::VerifyFailed:
            break;
    }
    return "verify-failed";
}

}  // namespace kd::provision
