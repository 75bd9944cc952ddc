#include "cli/station/station.h"

#include <algorithm>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/station/report.h"

namespace kd::cli {

namespace {

using Clock = std::chrono::steady_clock;

// How often the ports are looked at: a reader plugged in is taken within this.
constexpr uint32_t kPollMs = 200;

}  // namespace

// One reader's run: its thread writes the record, then sets done; the main thread
// reads the record only after that.
struct Station::Slot {
    std::string port;
    provision::ReaderRecord record;
    std::atomic<bool> done{false};
    std::unique_ptr<Worker> worker;
};

Station::Station(provision::StationSetup setup, std::string pattern, StationOutput output)
    : setup_(std::move(setup)), pattern_(std::move(pattern)), output_(output) {}

Station::~Station() {
    stop_ = true;
    slots_.clear();  // waits for every reader's thread
}

int Station::Run(StopSignals& signals) {
    started_ = Clock::now();
    std::fprintf(output_.err, "kdcfg: station: watching %s for readers; Ctrl-C ends\n",
                 pattern_.c_str());
    for (;;) {
        CollectFinished();
        if (stop_ && slots_.empty()) {
            break;
        }
        CheckLog();
        if (!stop_) {
            TakeNewReaders();
        }
        const bool signalled = signals.Cause() != StopCause::None;
        if (signalled || signals.Wait(kPollMs)) {
            RequestStop("stop signal");
        }
        if (signalled) {
            std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
        }
    }
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
    std::fprintf(output_.err,
                 "kdcfg: station: the log %s was removed or replaced; records from now on go "
                 "only to the file as it was opened\n",
                 Shown(output_.log->Path()).c_str());
    RequestStop("the log was removed or replaced");
}

void Station::TakeNewReaders() {
    for (const std::string& port : watch_.Take(PresentPorts(pattern_))) {
        std::fprintf(output_.err, "kdcfg: station: %s: reader found\n", ShownName(port).c_str());
        std::fflush(output_.err);
        slots_.push_back(std::make_unique<Slot>());
        Slot& slot = *slots_.back();
        slot.port = port;
        slot.worker = StartWorker([this, &slot] {
            slot.record = provision::HandleReader(setup_, slot.port, stop_);
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
    const std::string line = RecordLine(record);
    std::string error;
    if (output_.log != nullptr && !output_.log->Append(line, error)) {
        std::fprintf(output_.err, "kdcfg: station: the log: %s; the record of %s is lost\n",
                     error.c_str(), ShownName(record.port).c_str());
        logFailed_ = true;
        RequestStop("the log cannot be written");
    }
    if (output_.json) {
        std::fputs(line.c_str(), output_.out);
    } else {
        std::fprintf(output_.out, "%s\n", ResultLine(record).c_str());
    }
    if ((std::fflush(output_.out) != 0 || std::ferror(output_.out) != 0) && !outputFailed_) {
        outputFailed_ = true;
        std::fprintf(output_.err, "kdcfg: station: standard output cannot be written%s\n",
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
    std::fprintf(output_.err, "kdcfg: station: stopping (%s); %zu reader%s in progress\n", why,
                 busy, busy == 1 ? "" : "s");
    std::fflush(output_.err);
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
