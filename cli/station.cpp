#include "cli/station.h"

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/station_report.h"

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
    ReaderRecord record;
    std::atomic<bool> done{false};
    std::unique_ptr<Worker> worker;
};

Station::Station(StationSetup setup, std::string pattern, StationOutput output)
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
        if (!stop_) {
            TakeNewReaders();
        }
        if (signals.Wait(kPollMs)) {
            RequestStop("stop signal");
        }
    }
    PrintTotals();
    if (logFailed_) {
        return kExitOutputFailed;
    }
    return failed_ > 0 ? kExitStationFailures : kExitOk;
}

void Station::TakeNewReaders() {
    for (const std::string& port : watch_.Take(PresentPorts(pattern_))) {
        std::fprintf(output_.err, "kdcfg: station: %s: reader found\n", ShownName(port).c_str());
        std::fflush(output_.err);
        slots_.push_back(std::make_unique<Slot>());
        Slot& slot = *slots_.back();
        slot.port = port;
        slot.worker = StartWorker([this, &slot] {
            slot.record = HandleReader(setup_, slot.port, stop_);
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
        Report(slot.record);
        watch_.Finished(slot.port);
        it = slots_.erase(it);
    }
}

void Station::Report(const ReaderRecord& record) {
    ++(record.passed ? passed_ : failed_);
    const std::string line = RecordLine(record);
    if (output_.json) {
        std::fputs(line.c_str(), output_.out);
    } else {
        std::fprintf(output_.out, "%s\n", ResultLine(record).c_str());
    }
    std::fflush(output_.out);
    std::string error;
    if (output_.log != nullptr && !output_.log->Append(line, error)) {
        std::fprintf(output_.err, "kdcfg: station: the log: %s; the record of %s is lost\n",
                     error.c_str(), ShownName(record.port).c_str());
        logFailed_ = true;
        RequestStop("the log cannot be written");
    }
}

void Station::RequestStop(const char* why) {
    if (stop_.exchange(true)) {
        return;
    }
    const size_t busy = watch_.Busy();
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
        std::fprintf(output_.out, "%s\n", totals.dump().c_str());
        return;
    }
    const auto whole = static_cast<long>(seconds);
    std::fprintf(output_.out, "station: %zu readers, %zu passed, %zu failed, in %ld:%02ld:%02ld\n",
                 passed_ + failed_, passed_, failed_, whole / 3600, whole / 60 % 60, whole % 60);
}

}  // namespace kd::cli
