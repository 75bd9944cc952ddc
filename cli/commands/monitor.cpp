#include "cli/commands/monitor.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <array>
#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "cli/commands/monitor_reads.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "protocol/channel_key_access.h"
#include "protocol/device_commands.h"
#include "protocol/keeping_channel.h"
#include "text/escape.h"

namespace kd::cli {

namespace {

using catalogue::ReadFormat;
using catalogue::ReadKind;
using Clock = Channel::Clock;

// Each wait for bytes is this short, so that a stop signal is seen at once.
constexpr uint32_t kListenStepMs = 100;
// A read without an ending is over once the line has been quiet this long (longer on a
// slow line).
constexpr uint32_t kLeastQuietMs = 100;

uint32_t MsUntil(Clock::time_point now, Clock::time_point then) {
    return now >= then ? 0
                       : static_cast<uint32_t>(
                             std::chrono::ceil<std::chrono::milliseconds>(then - now).count());
}

// Reads the output keys into format; an exit code when one cannot be read.
std::optional<int> QueryFormat(Channel& channel, ReadFormat& format, std::FILE* err) {
    ChannelKeyAccess access(&channel);
    catalogue::ListenKeys keys;
    if (const auto failed = catalogue::QueryListenKeys(access, keys)) {
        std::fprintf(err,
                     "kdcfg: monitor: the reader %s the read of %s; --no-query listens "
                     "without asking\n",
                     failed->result == kExchangeRefused ? "refused" : "did not answer",
                     std::string(failed->key).c_str());
        return failed->result == kExchangeRefused ? kExitRefused : kExitNoAnswer;
    }
    if (!catalogue::RouteIsSerial(keys.route)) {
        std::fprintf(err,
                     "kdcfg: monitor: io_outputs is %s: the reader sends its reads elsewhere, "
                     "not on this line; listening anyway\n",
                     Shown(keys.route).c_str());
    }
    format = std::move(keys.format);
    return std::nullopt;
}

// One listening session: cuts what comes into reads, shows them, and decides the end.
class Session {
  public:
    Session(const MonitorOptions& options, bool json, std::optional<ReadFormat> format,
            std::optional<std::string> expected, std::FILE* out, std::FILE* err)
        : options_(options),
          json_(json),
          format_(std::move(format)),
          expected_(std::move(expected)),
          cutter_(format_ ? catalogue::ReadBoundsOf(*format_)
                          : std::vector<catalogue::ReadBounds>{}),
          out_(out),
          err_(err) {}

    int Run(Channel& channel, std::string_view kept, const StopFlag* stop) {
        const auto quiet =
            std::chrono::milliseconds(std::max(kLeastQuietMs, 2 * channel.IntervalMs()));
        const Clock::time_point start = channel.Now();
        const auto end = start + std::chrono::duration_cast<Clock::duration>(
                                     std::chrono::duration<double>(options_.forSeconds));
        Clock::time_point lastByte = start;
        if (const std::optional<int> done = Take(kept)) {
            return *done;
        }
        std::array<uint8_t, Channel::kReadChunk> chunk{};
        while (true) {
            const Clock::time_point now = channel.Now();
            if (CauseOf(stop) != StopCause::None) {
                const std::optional<int> done = Flush();
                return done ? *done : Stopped(CauseOf(stop));
            }
            if (options_.forSeconds > 0 && now >= end) {
                const std::optional<int> done = Flush();
                return done ? *done : TimeIsUp();
            }
            // Wake for the first of: a stop, the end of --for, the quiet that ends a read.
            uint32_t wait = kListenStepMs;
            if (options_.forSeconds > 0) {
                wait = std::min(wait, MsUntil(now, end));
            }
            if (cutter_.Holding()) {
                wait = std::max<uint32_t>(1, std::min(wait, MsUntil(now, lastByte + quiet)));
            }
            const int32_t got =
                channel.Read(chunk.data(), static_cast<int32_t>(chunk.size()), wait);
            if (got < 0) {
                std::fprintf(err_, "kdcfg: monitor: the port failed while listening\n");
                return Flush().value_or(kExitPortUnavailable);
            }
            std::optional<int> done;
            if (got > 0) {
                // A read that took fewer bytes than it could ended once the line had been
                // quiet for the interval.
                lastByte = channel.Now() - (got < static_cast<int32_t>(chunk.size())
                                                ? std::chrono::milliseconds(channel.IntervalMs())
                                                : std::chrono::milliseconds(0));
                done = Take(std::string_view(reinterpret_cast<const char*>(chunk.data()),
                                             static_cast<size_t>(got)));
            } else if (cutter_.Holding() && channel.Now() - lastByte >= quiet) {
                done = Flush();
            }
            if (done) {
                return *done;
            }
        }
    }

  private:
    std::optional<int> Take(std::string_view bytes) {
        const auto now = std::chrono::system_clock::now();
        if (!cutter_.Holding()) {
            heldSince_ = now;
        }
        for (const std::string& read : cutter_.Take(bytes)) {
            if (const std::optional<int> done = Show(read, std::exchange(heldSince_, now))) {
                return done;
            }
        }
        return std::nullopt;
    }

    // What is held is a read: the line went quiet, or listening ends.
    std::optional<int> Flush() {
        if (const std::optional<std::string> read = cutter_.Flush()) {
            return Show(*read, heldSince_);
        }
        return std::nullopt;
    }

    // Prints the read; an exit code when it ends the listening.
    std::optional<int> Show(const std::string& bytes, std::chrono::system_clock::time_point when) {
        const ShownRead read{
            when, format_ ? catalogue::SplitRead(*format_, bytes) : catalogue::SplitLineEnds(bytes),
            format_.has_value()};
        if (json_) {
            const std::string line =
                ReadJson(read).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
            std::fprintf(out_, "%s\n", line.c_str());
        } else {
            std::fprintf(out_, "%s\n", ReadLine(read).c_str());
        }
        if (std::fflush(out_) != 0 || std::ferror(out_) != 0) {
            return kExitOutputFailed;
        }
        ++shown_;
        if (expected_) {
            const std::string content = catalogue::ContentOf(read.split);
            if (content == *expected_) {
                return kExitOk;
            }
            std::fprintf(err_, "kdcfg: monitor: the read holds %s, not %s\n",
                         Quoted(content).c_str(), Quoted(*expected_).c_str());
            return kExitReadDiffers;
        }
        if (options_.count != 0 && shown_ >= options_.count) {
            return kExitOk;
        }
        return std::nullopt;
    }

    static std::string Quoted(std::string_view bytes) { return "\"" + Shown(bytes) + "\""; }

    bool HasGoal() const { return expected_.has_value() || options_.count != 0; }

    int Stopped(StopCause cause) const {
        if (!HasGoal()) {
            return kExitOk;
        }
        std::fprintf(err_, "kdcfg: monitor interrupted (%s) after %u of %u reads\n",
                     StopName(cause), shown_, expected_ ? 1u : options_.count);
        return StopExitCode(cause);
    }

    int TimeIsUp() const {
        if (!HasGoal()) {
            return kExitOk;
        }
        std::fprintf(err_, "kdcfg: monitor: %u of %u reads came in %g s\n", shown_,
                     expected_ ? 1u : options_.count, options_.forSeconds);
        return kExitNoAnswer;
    }

    const MonitorOptions& options_;
    bool json_;
    std::optional<ReadFormat> format_;
    std::optional<std::string> expected_;
    catalogue::ReadCutter cutter_;
    std::FILE* out_;
    std::FILE* err_;
    unsigned shown_ = 0;
    std::chrono::system_clock::time_point heldSince_{};
};

CLI::Validator ReaderText() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            text::UnescapeError error{};
            return text::UnescapeText(text, &error) ? std::string() : text::Describe(error);
        },
        "");
}

}  // namespace

void AddMonitorOptions(CLI::App& command, Options& options) {
    MonitorOptions& monitor = options.monitor;
    CLI::Option* count = command.add_option("--count", monitor.count, "stop after N reads")
                             ->type_name("N")
                             ->check(CLI::Range(1u, 1'000'000u));
    command.add_option("--for", monitor.forSeconds, "stop after listening SECONDS")
        ->type_name("SECONDS")
        ->check(CLI::Range(0.001, 1e6));
    command
        .add_option("--expect", monitor.expect,
                    "stop at the first read: exit 0 when its content is CONTENT, 16 when not "
                    "(CONTENT written as set takes a value)")
        ->type_name("CONTENT")
        ->check(ReaderText())
        ->excludes(count);
    command.add_flag("--no-query", monitor.noQuery,
                     "send nothing at all; reads then end after a pause, and only CR and LF at "
                     "their end are told apart");
}

int RunMonitor(Channel& port, const MonitorOptions& monitor, bool json, const StopFlag* stop,
               std::FILE* out, std::FILE* err) {
    std::optional<std::string> expected;
    if (monitor.expect) {
        expected = text::UnescapeText(*monitor.expect);
        if (!expected) {
            std::fprintf(err, "kdcfg: monitor: --expect cannot be sent as reader text\n");
            return kExitUsage;
        }
    }
    // Whatever the reader sends of itself while the queries run is kept for the session.
    KeepingChannel channel(port);
    std::optional<ReadFormat> format;
    if (!monitor.noQuery) {
        ReadFormat queried;
        if (const std::optional<int> failed = QueryFormat(channel, queried, err)) {
            return *failed;
        }
        std::fprintf(err, "kdcfg: monitor: %s\n", EndingsText(queried).c_str());
        format = std::move(queried);
    }
    Session session(monitor, json, std::move(format), std::move(expected), out, err);
    return session.Run(channel, channel.TakeKept(), stop);
}

}  // namespace kd::cli
