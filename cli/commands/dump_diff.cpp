#include "cli/commands/dump_diff_apply.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <vector>

#include "catalogue/key_table.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/option_checks.h"
#include "cli/profile_file.h"
#include "cli/progress_view.h"
#include "protocol/channel_key_access.h"
#include "protocol/device_commands.h"
#include "provision/apply.h"
#include "provision/dump_diff.h"
#include "provision/utc_time.h"
#include "resources/strings.h"

namespace kd::cli {

namespace {

using nlohmann::json;
using provision::KeyError;
using provision::ReaderValue;

class KeepText final : public TextSink {
  public:
    void SetText(std::string_view text) override { text_ = text; }
    std::string text_;
};

std::string Query(int (*query)(Channel*, TextSink&), Channel& channel) {
    KeepText sink;
    return query(&channel, sink) == kCommandOk ? Shown(sink.text_) : "(not read)";
}

// The exit code of failed reads: no answer weighs more than a refusal.
int ReadFailureCode(const std::vector<const ReaderValue*>& values) {
    int code = kExitOk;
    for (const ReaderValue* value : values) {
        if (value->error == KeyError::Refused && code == kExitOk) {
            code = kExitRefused;
        } else if (value->error && value->error != KeyError::Refused) {
            code = kExitNoAnswer;
        }
    }
    return code;
}

void ReportReadFailure(std::string_view key, const ReaderValue& value, std::FILE* err) {
    if (value.error && value.error != KeyError::NotAsked) {
        std::fprintf(err, "kdcfg: read %s: %s\n", Shown(key).c_str(),
                     std::string(provision::Describe(*value.error)).c_str());
    }
}

std::string SerialNumberOf(const std::vector<provision::DumpedKey>& dumped) {
    for (const provision::DumpedKey& key : dumped) {
        if (key.key->name == "deviceno") {
            return key.read.value.value_or("");
        }
    }
    return {};
}

bool AnyValue(const std::vector<provision::DumpedKey>& dumped) {
    return std::any_of(dumped.begin(), dumped.end(),
                       [](const provision::DumpedKey& key) { return key.read.value.has_value(); });
}

json ValueJson(const ReaderValue& value) {
    return value.value ? json(Shown(*value.value)) : json(nullptr);
}

json ErrorJson(const std::optional<KeyError>& error) {
    return error ? json(provision::Code(*error)) : json(nullptr);
}

}  // namespace

std::optional<profile::Profile> LoadProfileToWrite(const std::string& path, std::FILE* err) {
    std::optional<profile::Profile> loaded = LoadProfile(path, err);
    if (loaded && !catalogue::SetsAnyKey(*loaded)) {
        std::fprintf(err,
                     "kdcfg: %s: the profile sets no key (it is empty, holds only comments, or "
                     "only keys the reader sets itself: masterver, historytime); nothing was "
                     "sent\n",
                     path.c_str());
        return std::nullopt;
    }
    return loaded;
}

int RunDump(Channel& channel, const std::string& port, const std::string& outputPath, bool asJson,
            std::FILE* out, std::FILE* err, KeptDump* kept, ProgressView* progress) {
    const std::vector<std::string> header = {
        "firmware version: " + Query(QueryFirmwareVersion, channel),
        "build date: " + Query(QueryBuildDate, channel),
        "port: " + port,
        "time: " + provision::UtcNow(),
        std::string("kdcfg ") + std::string(strings::kToolVersion),
    };
    ChannelKeyAccess keys(&channel);
    const std::vector<provision::DumpedKey> dumped = provision::Dump(keys, progress);
    EraseProgress(progress);

    std::vector<profile::Item> items;
    std::vector<const ReaderValue*> values;
    json keysJson = json::array();
    for (const provision::DumpedKey& key : dumped) {
        ReportReadFailure(key.key->name, key.read, err);
        values.push_back(&key.read);
        const std::string why =
            key.read.error ? std::string(provision::Describe(*key.read.error)) : "";
        items.push_back({std::string(key.key->name), key.read.value, why});
        keysJson.push_back({{"key", key.key->name},
                            {"value", ValueJson(key.read)},
                            {"error", ErrorJson(key.read.error)}});
    }
    const std::string text = profile::Format(header, items);
    const int code = ReadFailureCode(values);
    if (kept != nullptr) {
        kept->text = text;
        kept->serialNumber = SerialNumberOf(dumped);
        kept->answered = code != kExitNoAnswer;
    } else if (!outputPath.empty() && !AnyValue(dumped)) {
        // A profile of comments alone would replace a good one: the file stays as it was.
        std::fprintf(err, "kdcfg: no key could be read; %s was left as it was\n",
                     outputPath.c_str());
    } else if (!outputPath.empty() && !SaveText(outputPath, text, err)) {
        return kExitOutputFailed;
    }
    if (asJson) {
        PrintJson({{"header", header}, {"keys", keysJson}}, out);
    } else if (outputPath.empty() && kept == nullptr) {
        std::fwrite(text.data(), 1, text.size(), out);
    }
    return code;
}

int RunDiff(Channel& channel, const profile::Profile& profile, bool asJson, std::FILE* out,
            std::FILE* err, ProgressView* progress) {
    ChannelKeyAccess keys(&channel);
    const provision::DiffResult diff = provision::Diff(keys, profile, progress);
    EraseProgress(progress);
    std::vector<const ReaderValue*> values;
    json differences = json::array();
    size_t notAsked = 0;
    for (const provision::Difference& difference : diff.differences) {
        ReportReadFailure(difference.key, difference.reader, err);
        notAsked += difference.reader.error == KeyError::NotAsked ? 1 : 0;
        values.push_back(&difference.reader);
        differences.push_back({{"key", Shown(difference.key)},
                               {"line", difference.line},
                               {"reader", ValueJson(difference.reader)},
                               {"profile", Shown(difference.profileValue)},
                               {"readOnly", difference.readOnly},
                               {"error", ErrorJson(difference.reader.error)}});
        // Once the reader is gone, the keys not asked are counted, not listed.
        if (asJson || difference.reader.error == KeyError::NotAsked) {
            continue;
        }
        std::fprintf(out, "@ line %zu: %s%s\n- %s\n+ %s\n", difference.line,
                     Shown(difference.key).c_str(),
                     difference.readOnly ? " (set by the reader, never written)" : "",
                     difference.reader.value
                         ? Shown(*difference.reader.value).c_str()
                         : Parenthesized(provision::Describe(*difference.reader.error)).c_str(),
                     Shown(difference.profileValue).c_str());
    }
    if (notAsked > 0) {
        std::fprintf(err, "kdcfg: %zu more keys not read: the reader had gone\n", notAsked);
    }
    if (asJson) {
        PrintJson({{"same", diff.differences.empty()}, {"differences", differences}}, out);
    }
    if (diff.failed) {
        return ReadFailureCode(values);
    }
    return diff.differences.empty() ? kExitOk : kExitDiffers;
}

void AddDumpOptions(CLI::App& command, Options& options) {
    command
        .add_option("-o,--output", options.dump.output,
                    "write the profile to FILE, replaced whole; or into DIR, made if missing")
        ->type_name("FILE|DIR")
        ->check(PathNotOption());
}

void AddDiffOptions(CLI::App& command, Options& options) {
    command.add_option("PROFILE", options.profile.file, "a profile file, as dump writes it")
        ->type_name("")
        ->required()
        ->check(PathNotOption());
}

}  // namespace kd::cli
