#include <CLI/CLI.hpp>
#include <algorithm>
#include <string>

#include "cli/commands/dump_diff_apply.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/option_checks.h"
#include "cli/progress_view.h"
#include "cli/stop.h"
#include "protocol/channel_key_access.h"
#include "provision/apply.h"

namespace kd::cli {

namespace {

using nlohmann::json;
using provision::ApplyOutcome;
using provision::ApplyResult;
using provision::KeyWrite;

// 0 whenever the reader holds the profile afterwards (or would, for a dry run), changed or
// not, so that "apply && next step" goes on with a reader that was already right.
int ExitCodeOf(const ApplyResult& result) {
    switch (result.outcome) {
        case ApplyOutcome::Verified:
        case ApplyOutcome::DryRun:
        case ApplyOutcome::NothingToDo:
            return kExitOk;
        case ApplyOutcome::CheckRefused:
            return kExitProfileRefused;
        case ApplyOutcome::ReadFailed:
            return kExitNoAnswer;
        case ApplyOutcome::WriteFailed:
        case ApplyOutcome::StoreFailed:
            return kExitWriteFailed;
        case ApplyOutcome::VerifyFailed:
            break;
    }
    return kExitVerifyFailed;
}

std::string Before(const KeyWrite& write) {
    return write.before.value ? Shown(*write.before.value)
                              : Parenthesized(provision::Describe(*write.before.error));
}

// What went wrong, and what the reader is left with, on err.
void ReportProblems(const std::string& path, const ApplyResult& result, bool forced,
                    std::FILE* err) {
    for (const provision::CheckProblem& problem : result.problems) {
        const bool sent =
            forced && problem.forcible && result.outcome != ApplyOutcome::CheckRefused;
        std::fprintf(err, "kdcfg: %s:%zu: %s: %s%s\n", path.c_str(), problem.line,
                     Shown(problem.key).c_str(), problem.message.c_str(),
                     sent ? " (sent anyway: --force)" : "");
    }
    for (const provision::Difference& key : result.readOnly) {
        std::fprintf(err, "kdcfg: %s is set by the reader (%s), the profile says %s: not written\n",
                     Shown(key.key).c_str(),
                     key.reader.value ? Shown(*key.reader.value).c_str() : "not read",
                     Shown(key.profileValue).c_str());
    }
    for (const KeyWrite& write : result.writes) {
        if (write.writeError && write.writeError != provision::KeyError::NotAsked) {
            std::fprintf(err, "kdcfg: write %s: %s\n", Shown(write.key).c_str(),
                         std::string(provision::Describe(*write.writeError)).c_str());
        } else if (result.stored && !write.Verified()) {
            std::fprintf(err, "kdcfg: %s reads back as %s, not %s\n", Shown(write.key).c_str(),
                         write.readBack.value ? Shown(*write.readBack.value).c_str() : "(not read)",
                         Shown(write.value).c_str());
        }
    }
    if (result.outcome == ApplyOutcome::ReadFailed) {
        std::fprintf(err,
                     "kdcfg: the reader stopped answering while its keys were read; "
                     "nothing was written\n");
    }
    if (result.storeError) {
        std::fprintf(err, "kdcfg: store: %s\n",
                     std::string(provision::Describe(*result.storeError)).c_str());
    }
    if (result.outcome == ApplyOutcome::WriteFailed ||
        result.outcome == ApplyOutcome::StoreFailed) {
        // A store without a valid reply may have been carried out.
        const bool storeUnknown =
            result.storeError && result.storeError != provision::KeyError::Refused;
        std::fprintf(err, "kdcfg: %s%s\n",
                     storeUnknown ? "the store got no valid reply: the reader's saved "
                                    "configuration may or may not hold the changes"
                                  : "nothing was stored: the reader's saved configuration is "
                                    "as it was",
                     result.UnsavedChanges()
                         ? ", and it may run with unsaved changes until it is powered off"
                         : "");
    }
}

// The writes the reader took.
size_t KeysChanged(const ApplyResult& result) {
    return static_cast<size_t>(std::count_if(result.writes.begin(), result.writes.end(),
                                             [](const KeyWrite& write) { return write.written; }));
}

const char* Keys(size_t count) {
    return count == 1 ? "key" : "keys";
}

void PrintText(const ApplyResult& result, std::FILE* out) {
    const bool dryRun = result.outcome == ApplyOutcome::DryRun;
    for (const KeyWrite& write : result.writes) {
        if (dryRun || write.written) {
            std::fprintf(out, "%s %s: %s -> %s\n", dryRun ? "would write" : "wrote",
                         Shown(write.key).c_str(), Before(write).c_str(),
                         Shown(write.value).c_str());
        }
    }
    if (result.outcome == ApplyOutcome::NothingToDo) {
        std::fprintf(out, "nothing to do: the reader holds the profile; 0 keys changed\n");
    } else if (result.outcome == ApplyOutcome::DryRun) {
        std::fprintf(out, "dry run: %zu %s would change; 0 keys changed\n", result.writes.size(),
                     Keys(result.writes.size()));
    } else if (result.outcome == ApplyOutcome::Verified) {
        const size_t changed = KeysChanged(result);
        const size_t unread = result.NotReadBack();
        const size_t read = result.writes.size() - unread;
        std::fprintf(out, "%zu %s changed; stored; read back and verified: %zu %s", changed,
                     Keys(changed), read, Keys(read));
        if (unread > 0) {
            std::fprintf(out, "; %zu write-only %s acknowledged, not read back", unread,
                         Keys(unread));
        }
        std::fputc('\n', out);
    }
}

ApplySummary SummaryOf(const ApplyResult& result) {
    ApplySummary summary;
    summary.keysChanged = KeysChanged(result);
    summary.verified =
        result.outcome == ApplyOutcome::Verified || result.outcome == ApplyOutcome::NothingToDo;
    return summary;
}

json ResultJson(const ApplyResult& result) {
    json problems = json::array();
    for (const provision::CheckProblem& problem : result.problems) {
        problems.push_back({{"line", problem.line},
                            {"key", Shown(problem.key)},
                            {"message", problem.message},
                            {"forcible", problem.forcible}});
    }
    json readOnly = json::array();
    for (const provision::Difference& key : result.readOnly) {
        readOnly.push_back({{"key", Shown(key.key)},
                            {"reader", key.reader.value ? json(Shown(*key.reader.value)) : json()},
                            {"profile", Shown(key.profileValue)}});
    }
    json writes = json::array();
    for (const KeyWrite& write : result.writes) {
        writes.push_back(
            {{"key", Shown(write.key)},
             {"line", write.line},
             {"before", write.before.value ? json(Shown(*write.before.value)) : json()},
             {"value", Shown(write.value)},
             {"written", write.written},
             {"error", write.writeError ? json(provision::Code(*write.writeError)) : json()},
             {"verified", write.readable ? json(result.stored && write.Verified()) : json()}});
    }
    return {{"outcome", provision::Code(result.outcome)},
            {"problems", problems},
            {"readOnly", readOnly},
            {"writes", writes},
            {"keysToWrite", result.writes.size()},
            {"keysChanged", KeysChanged(result)},
            {"stored", result.stored},
            {"unsavedChanges", result.UnsavedChanges()}};
}

// Ends apply between exchanges on a stop: a request held back counts as not sent, so the
// result still tells what the reader got.
class StoppableKeys final : public KeyAccess {
  public:
    explicit StoppableKeys(Channel& channel) : inner_(&channel) {}
    int ReadKey(std::string_view name, std::string& value) override {
        return Guarded([&] { return inner_.ReadKey(name, value); });
    }
    int WriteKey(std::string_view name, std::string_view value) override {
        return Guarded([&] { return inner_.WriteKey(name, value); });
    }
    int StoreKeys() override {
        return Guarded([&] { return inner_.StoreKeys(); });
    }
    bool Interrupted() const { return interrupted_; }

  private:
    template <typename Exchange>
    int Guarded(Exchange exchange) {
        if (interrupted_) {
            return kExchangeWriteFailed;
        }
        try {
            return exchange();
        } catch (const cli::Interrupted&) {
            interrupted_ = true;
            return kExchangeWriteFailed;
        }
    }
    ChannelKeyAccess inner_;
    bool interrupted_ = false;
};

void ReportInterrupted(const ApplyResult& result, std::FILE* err) {
    const size_t written = KeysChanged(result);
    if (result.outcome == ApplyOutcome::ReadFailed) {
        std::fprintf(err,
                     "kdcfg: apply interrupted while the reader's keys were read; nothing "
                     "was written\n");
    } else if (!result.stored) {
        std::fprintf(err, "kdcfg: apply interrupted after %zu of %zu writes; nothing stored%s\n",
                     written, result.writes.size(),
                     result.UnsavedChanges()
                         ? "; the reader runs with unsaved changes until it is powered off"
                         : "");
    } else {
        std::fprintf(err,
                     "kdcfg: apply interrupted after the store: %zu keys written and "
                     "stored, not all read back\n",
                     written);
    }
}

}  // namespace

int RunApply(Channel& channel, const std::string& profilePath, const profile::Profile& profile,
             const ApplyFlags& flags, std::FILE* out, std::FILE* err, ApplySummary* summary,
             ProgressView* progress) {
    StoppableKeys keys(channel);
    const ApplyResult result =
        provision::Apply(keys, profile, {.dryRun = flags.dryRun, .force = flags.force}, progress);
    EraseProgress(progress);
    if (keys.Interrupted()) {
        ReportInterrupted(result, err);
    } else {
        ReportProblems(profilePath, result, flags.force, err);
    }
    if (summary != nullptr) {
        *summary = SummaryOf(result);
    }
    if (flags.json) {
        json document = ResultJson(result);
        if (keys.Interrupted()) {
            document["interrupted"] = true;
        }
        PrintJson(document, out);
    } else {
        PrintText(result, out);
    }
    return keys.Interrupted() ? kExitInterrupted : ExitCodeOf(result);
}

void AddApplyOptions(CLI::App& command, Options& options) {
    command.add_option("PROFILE", options.profile.file, "a profile file, as dump writes it")
        ->type_name("")
        ->required()
        ->check(PathNotOption());
    command.add_flag("--dry-run", options.profile.dryRun,
                     "print what would be written; send no write");
    command.add_flag("--force", options.profile.force,
                     "send keys and values that the catalogue check refuses, where they fit");
}

}  // namespace kd::cli
