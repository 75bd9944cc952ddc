#include "cli/commands/info_get_set.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <optional>
#include <string>

#include "catalogue/key_table.h"
#include "catalogue/profile.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/option_checks.h"
#include "cli/stop.h"
#include "protocol/device_commands.h"
#include "provision/apply.h"
#include "text/escape.h"

namespace kd::cli {

namespace {

// A reader's text on a line of its own: GBK as UTF-8, any other byte escaped, so that
// no value can break the line or reach the terminal raw.
void PrintText(std::FILE* out, std::string_view bytes) {
    const std::string shown = text::EscapeText(bytes);
    std::fwrite(shown.data(), 1, shown.size(), out);
}

// Prints "label: text" at once, or with out null, keeps the text for a JSON document.
class LineSink final : public TextSink {
  public:
    LineSink(std::FILE* out, const char* label) : out_(out), label_(label) {}
    void SetText(std::string_view text) override {
        shown_ = text::EscapeText(text);
        if (out_ != nullptr) {
            std::fprintf(out_, "%s: %s\n", label_, shown_.c_str());
        }
    }
    const std::string& Shown() const { return shown_; }

  private:
    std::FILE* out_;
    const char* label_;
    std::string shown_;
};

// Maps a result of ExchangeCommand to an exit code, saying what went wrong; a refusal
// is followed by hint.
int ReportExchange(int result, const std::string& what, std::FILE* err,
                   const std::string& hint = {}) {
    switch (result) {
        case kCommandOk:
            return kExitOk;
        case kExchangeWriteFailed:
            std::fprintf(err, "kdcfg: %s: could not send the request to the port\n", what.c_str());
            return kExitNoAnswer;
        case kExchangeRefused:
            std::fprintf(err, "kdcfg: %s: the reader refused%s\n", what.c_str(), hint.c_str());
            return kExitRefused;
        default:
            std::fprintf(err, "kdcfg: %s: no valid reply from the reader\n", what.c_str());
            return kExitNoAnswer;
    }
}

// The handshake and version queries report -1 for every kind of missing reply.
int ReportQuery(int result, const char* what, const std::string& port, std::FILE* err) {
    if (result == kCommandOk) {
        return kExitOk;
    }
    if (result == kReaderRefused) {
        std::fprintf(err, "kdcfg: %s: the reader on %s refused\n", what, ShownName(port).c_str());
        return kExitRefused;
    }
    std::fprintf(err, "kdcfg: %s: no valid reply from a reader on %s\n", what,
                 ShownName(port).c_str());
    return kExitNoAnswer;
}

// The bytes each value stands for (UTF-8 as GBK, escapes decoded), all checked before
// the first is sent; nothing when one cannot be sent.
std::optional<std::vector<std::string>> TakeValues(const std::vector<KeyAssignment>& assignments,
                                                   std::FILE* err) {
    std::vector<std::string> values;
    for (const auto& [name, value] : assignments) {
        const std::string shownName = text::EscapeText(name);
        text::UnescapeError error{};
        std::optional<std::string> bytes = text::UnescapeText(value, &error);
        if (!bytes) {
            std::fprintf(err, "kdcfg: the value of %s: %s; nothing was sent\n", shownName.c_str(),
                         text::Describe(error).c_str());
            return std::nullopt;
        }
        const size_t limit = KeyWriteLimit(name.size());
        if (bytes->size() > limit) {
            std::fprintf(err,
                         "kdcfg: the value of %s is %zu bytes long; a key of this name holds at "
                         "most %zu bytes (name + value + 3 <= 256); nothing was sent\n",
                         shownName.c_str(), bytes->size(), limit);
            return std::nullopt;
        }
        values.push_back(std::move(*bytes));
    }
    return values;
}

// The catalogue check apply makes, on the values as sent: an unknown key, a key the
// reader sets itself, a value outside a key's values. With force they are sent anyway.
// True when everything may be sent.
bool PassesCatalogue(const std::vector<KeyAssignment>& assignments,
                     const std::vector<std::string>& values, bool force, std::FILE* err) {
    profile::Profile asked;
    std::vector<provision::CheckProblem> problems;
    for (size_t i = 0; i < assignments.size(); ++i) {
        asked.entries.push_back({assignments[i].name, values[i], i + 1});
        if (catalogue::IsReadOnly(assignments[i].name)) {
            problems.push_back(
                {i + 1, assignments[i].name, "the reader sets this key itself", true});
        }
    }
    for (provision::CheckProblem& problem : provision::CheckProfile(asked)) {
        problems.push_back(std::move(problem));
    }
    std::stable_sort(problems.begin(), problems.end(),
                     [](const auto& a, const auto& b) { return a.line < b.line; });
    bool blocked = false;
    for (const provision::CheckProblem& problem : problems) {
        const bool sent = force && problem.forcible;
        blocked = blocked || !sent;
        std::fprintf(err, "kdcfg: %s=%s: %s%s\n", text::EscapeText(problem.key).c_str(),
                     text::EscapeText(values[problem.line - 1]).c_str(), problem.message.c_str(),
                     sent ? " (sent anyway: --force)" : "");
    }
    if (blocked) {
        std::fprintf(err, "kdcfg: nothing was sent%s\n",
                     force ? "" : "; --force sends keys and values the catalogue refuses");
    }
    return !blocked;
}

// What a stop signal found done: the keys written so far, none of them stored.
void ReportSetStopped(const std::vector<KeyAssignment>& assignments, size_t written,
                      std::FILE* err) {
    if (written == 0) {
        std::fprintf(err,
                     "kdcfg: set interrupted before its first write: nothing was changed on "
                     "the reader\n");
        return;
    }
    std::string names;
    for (size_t i = 0; i < written; ++i) {
        names += (i == 0 ? "" : ", ") + text::EscapeText(assignments[i].name);
    }
    std::fprintf(err,
                 "kdcfg: set interrupted after %zu of %zu writes: %s written, not stored; the "
                 "reader runs with them until it is powered off\n",
                 written, assignments.size(), names.c_str());
}

}  // namespace

int RunInfo(Channel& channel, const std::string& port, bool asJson, std::FILE* out,
            std::FILE* err) {
    if (int code = ReportQuery(Handshake(&channel), "handshake", port, err); code != kExitOk) {
        return code;
    }
    std::FILE* lines = asJson ? nullptr : out;
    LineSink version(lines, "firmware version");
    if (int code =
            ReportQuery(QueryFirmwareVersion(&channel, version), "firmware version", port, err);
        code != kExitOk) {
        return code;
    }
    LineSink date(lines, "build date");
    const int code = ReportQuery(QueryBuildDate(&channel, date), "build date", port, err);
    if (code == kExitOk && asJson) {
        PrintJson({{"port", ShownName(port)},
                   {"firmwareVersion", version.Shown()},
                   {"buildDate", date.Shown()}},
                  out);
    }
    return code;
}

int RunGet(Channel& channel, const std::vector<std::string>& keys, bool asJson, std::FILE* out,
           std::FILE* err) {
    // The JSON form holds the keys read before any failure, as the text form does.
    nlohmann::json values = nlohmann::json::array();
    int code = kExitOk;
    for (const auto& key : keys) {
        std::string value;
        const int result = ExchangeReadKey(&channel, key, value);
        if (result != kCommandOk) {
            // A reader may know keys the catalogue does not: only a refusal hints.
            const std::string hint =
                catalogue::FindKey(key) == nullptr ? catalogue::SimilarKeyHint(key) : std::string();
            code =
                ReportExchange(result, "read " + text::EscapeText(key), err,
                               hint.empty() ? hint : "; it is not a key of the catalogue" + hint);
            break;
        }
        if (asJson) {
            values.push_back({{"key", text::EscapeText(key)}, {"value", text::EscapeText(value)}});
            continue;
        }
        PrintText(out, key);
        std::fputc('=', out);
        PrintText(out, value);
        std::fputc('\n', out);
    }
    if (asJson) {
        PrintJson({{"values", values}}, out);
    }
    return code;
}

int RunSet(Channel& channel, const std::vector<KeyAssignment>& assignments, bool store, bool force,
           std::FILE* out, std::FILE* err) {
    const std::optional<std::vector<std::string>> values = TakeValues(assignments, err);
    if (!values || !PassesCatalogue(assignments, *values, force, err)) {
        return kExitUsage;
    }
    size_t written = 0;
    try {
        for (size_t i = 0; i < assignments.size(); ++i, ++written) {
            const std::string& name = assignments[i].name;
            const int result = WriteKey(&channel, name, (*values)[i]);
            if (result != kCommandOk) {
                return ReportExchange(result, "write " + text::EscapeText(name), err);
            }
        }
        return store ? RunStore(channel, out, err) : kExitOk;
    } catch (const Interrupted&) {
        ReportSetStopped(assignments, written, err);
        return kExitInterrupted;
    }
}

int RunStore(Channel& channel, std::FILE* /*out*/, std::FILE* err) {
    // StoreKeys folds its failures into one result; the exchange tells them apart.
    uint8_t payload[1] = {};
    uint16_t length = 0;
    return ReportExchange(ExchangeCommand(&channel, kStoreKeysCommand, payload, length), "store",
                          err);
}

void AddGetOptions(CLI::App& command, Options& options) {
    command
        .add_option(
            "KEY", options.get.keys,
            "one or more key names, such as workmode or codeprefix; 'kdcfg keys' lists them")
        ->type_name("")
        ->required()
        ->check(KeyName());
}

void AddSetOptions(CLI::App& command, Options& options) {
    command
        .add_option_function<std::vector<std::string>>(
            "KEY=VALUE",
            [&options](const std::vector<std::string>& items) {
                for (const std::string& item : items) {
                    const size_t equals = item.find('=');
                    options.set.assignments.push_back(
                        {item.substr(0, equals), item.substr(equals + 1)});
                }
            },
            "one or more keys with their new values, e.g. workmode=2")
        ->type_name("")
        ->required()
        ->check(Assignment());
    command.add_flag("--store", options.set.store,
                     "then send the store command, as the store command does");
    command.add_flag("--force", options.set.force,
                     "send keys and values that the catalogue check refuses, where they fit");
}

}  // namespace kd::cli
