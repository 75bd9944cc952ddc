#include "cli/station/station.h"

#include <algorithm>
#include <cstdarg>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/station/report.h"
#include "cli/terminal_style.h"

namespace kd::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often the ports are looked at: a reader plugged in is taken within this.
constexpr uint32_t kPollMs = 200;
// The results the live lines keep in view.
constexpr size_t kRecentResults = 3;

}  // namespace

// One reader's run: its thread writes the record, then sets done; the main thread
// reads the record only after that.
struct Station::Slot {
    std::string port;
    std::unique_ptr<SharedProgress> progress;  // written by the reader's thread
    provision::ReaderRecord record;
    std::atomic<bool> done{false};
    std::unique_ptr<Worker> worker;
};

Station::Station(provision::StationSetup setup, std::string pattern, StationOutput output)
    : setup_(std::move(setup)), pattern_(std::move(pattern)), output_(output), live_(output.err) {}

Station::~Station() {
    stop_ = true;
    slots_.clear();  // waits for every reader's thread
}

int Station::Run(StopSignals& signals) {
    started_ = Clock::now();
    Say(true, "kdcfg: station: watching %s for readers; Ctrl-C ends\n", pattern_.c_str());
    for (;;) {
        CollectFinished();
        if (stop_ && slots_.empty()) {
            break;
        }
        CheckLog();
        if (!stop_) {
            TakeNewReaders();
        }
        DrawLive();
        const bool signalled = signals.Cause() != StopCause::None;
        if (signalled || signals.Wait(kPollMs)) {
            RequestStop("stop signal");
        }
        if (signalled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
    }
    live_.Erase();
    PrintTotals();
    if (logFailed_ || outputFailed_) {
        return kExitOutputFailed;
    }
    return failed_ > 0 ? kExitStationFailures : kExitOk;
}

void Station::CheckLog() {
    if (output_.log == nullptr || logFailed_ || output_.log->StillInPlace()) {
        return;
    }
    logFailed_ = true;
    Say(false,
        "kdcfg: station: the log %s was removed or replaced; records from now on go only to the "
        "file as it was opened\n",
        Shown(output_.log->Path()).c_str());
    RequestStop("the log was removed or replaced");
}

void Station::TakeNewReaders() {
    for (const std::string& port : watch_.Take(PresentPorts(pattern_))) {
        Say(true, "kdcfg: station: %s: reader found\n", ShownName(port).c_str());
        slots_.push_back(std::make_unique<Slot>());
        Slot& slot = *slots_.back();
        slot.port = port;
        slot.progress = std::make_unique<SharedProgress>(
            output_.err, output_.progress, "kdcfg: station: " + ShownName(port) + ": ");
        slot.worker = StartWorker([this, &slot] {
            slot.record = provision::HandleReader(setup_, slot.port, stop_, slot.progress.get());
            slot.done.store(true, std::memory_order_release);
        });
    }
}

void Station::CollectFinished() {
    for (auto it = slots_.begin(); it != slots_.end();) {
        Slot& slot = **it;
        if (!slot.done.load(std::memory_order_acquire)) {
            ++it;
            continue;
        }
        slot.worker.reset();  // its thread has ended or is ending: wait for it
        if (slot.record.anotherReader) {
            watch_.Retake(slot.port);  // the reader that answered last is a new one
        } else {
            watch_.Finished(slot.port);
        }
        const provision::ReaderRecord record = std::move(slot.record);
        it = slots_.erase(it);
        Report(record);
    }
}

// The record goes to the log first: a verdict on the screen is never without its record.
void Station::Report(const provision::ReaderRecord& record) {
    ++(record.passed ? passed_ : failed_);
    recent_.push_back(ResultLine(record, output_.colorErr));
    if (recent_.size() > kRecentResults) {
        recent_.pop_front();
    }
    live_.Erase();
    const std::string line = RecordLine(record);
    std::string error;
    if (output_.log != nullptr && !output_.log->Append(line, error)) {
        Say(false, "kdcfg: station: the log: %s; the record of %s is lost\n", error.c_str(),
            ShownName(record.port).c_str());
        logFailed_ = true;
        RequestStop("the log cannot be written");
    }
    if (output_.json) {
        std::fputs(line.c_str(), output_.out);
    } else {
        std::fprintf(output_.out, "%s\n", ResultLine(record, output_.colorOut).c_str());
    }
    if ((std::fflush(output_.out) != 0 || std::ferror(output_.out) != 0) && !outputFailed_) {
        outputFailed_ = true;
        Say(false, "kdcfg: station: standard output cannot be written%s\n",
            output_.log != nullptr ? "; the records are in the log" : "");
        RequestStop("standard output cannot be written");
    }
}

void Station::RequestStop(const char* why) {
    if (stop_.exchange(true)) {
        return;
    }
    const auto busy =
        static_cast<size_t>(std::count_if(slots_.begin(), slots_.end(), [](const auto& slot) {
            return !slot->done.load(std::memory_order_acquire);
        }));
    // A stop signal is the station's normal end: --quiet leaves it unsaid.
    Say(std::string_view(why) == "stop signal",
        "kdcfg: station: stopping (%s); %zu reader%s in progress\n", why, busy,
        busy == 1 ? "" : "s");
}

void Station::Say(bool talk, const char* format, ...) {
    if (talk && output_.progress == ProgressMode::Quiet) {
        return;
    }
    live_.Erase();
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(output_.err, format, arguments);
    va_end(arguments);
    std::fflush(output_.err);
}

// Totals, a line per reader in progress, and the last results, redrawn in place.
void Station::DrawLive() {
    if (output_.progress != ProgressMode::Live) {
        return;
    }
    const auto whole =
        static_cast<long>(std::chrono::duration<double>(Clock::now() - started_).count());
    char totals[160];
    std::snprintf(totals, sizeof totals,
                  "station: %zu readers, %zu passed, %zu failed, %zu in progress, %ld:%02ld:%02ld",
                  passed_ + failed_, passed_, failed_, slots_.size(), whole / 3600, whole / 60 % 60,
                  whole % 60);
    std::vector<std::string> lines = {totals};
    for (const auto& slot : slots_) {
        const std::string doing = slot->progress->Text();
        char port[256];
        std::snprintf(port, sizeof port, "  %-32s ", ShownName(slot->port).c_str());
        lines.push_back(port + (doing.empty() ? std::string("starting") : doing));
    }
    for (const std::string& result : recent_) {
        lines.push_back("  " + result);
    }
    live_.Draw(lines);
}

void Station::PrintTotals() {
    const double seconds = std::chrono::duration<double>(Clock::now() - started_).count();
    if (output_.json) {
        const nlohmann::ordered_json totals = {{"readers", passed_ + failed_},
                                               {"passed", passed_},
                                               {"failed", failed_},
                                               {"seconds", seconds}};
        std::fprintf(outputFailed_ ? output_.err : output_.out, "%s\n", totals.dump().c_str());
        return;
    }
    const auto whole = static_cast<long>(seconds);
    // With standard output gone, the totals go where the messages go.
    std::fprintf(outputFailed_ ? output_.err : output_.out,
                 "station: %zu readers, %zu passed, %zu failed, in %ld:%02ld:%02ld\n",
                 passed_ + failed_, passed_, failed_, whole / 3600, whole / 60 % 60, whole % 60);
}

}  // namespace kd::cli
