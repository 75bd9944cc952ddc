#include "cli/many_ports/every_port.h"
#include "cli/many_ports/report.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "cli/exit_codes.h"
#include "cli/json_output.h"
#include "cli/many_ports/dump_directory.h"
#include "cli/platform.h"
#include "cli/run_command.h"
#include "cli/station/platform.h"
#include "link/port_name.h"
#include "text/escape.h"

namespace kd::cli {

namespace {

using Clock = std::chrono::steady_clock;

enum class PortState : int { Waiting, Running, Done };

// One port's run: the thread writes the report, then sets state to Done; the main
// thread reads the report only after that.
struct PortRun {
    PortReport report;
    std::atomic<PortState> state{PortState::Waiting};
};

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

std::string ReadBack(std::FILE* file) {
    std::string text;
    if (file == nullptr || std::fflush(file) != 0) {
        return text;
    }
    std::rewind(file);
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;) {
        text.append(buffer, got);
    }
    return text;
}

// The body of one port's thread: its own channel, its own output files.
void RunOnePort(const Options& options, PortRun& run) {
    run.state = PortState::Running;
    const auto start = Clock::now();
    Options own = options;
    own.serial.portPath = run.report.port;
    FilePtr out(std::tmpfile());
    FilePtr err(std::tmpfile());
    if (!out || !err) {
        run.report.err = "kdcfg: no room for this port's output\n";
        run.report.code = kExitOutputFailed;
    } else {
        ReaderFacts facts;
        facts.keepDump = DumpsIntoDirectory(options);
        run.report.code = OpenAndRun(own, false, out.get(), err.get(), &facts);
        run.report.serialNumber = text::EscapeText(facts.serialNumber);
        run.report.firmwareVersion = text::EscapeText(facts.firmwareVersion);
        run.report.apply = facts.apply;
        run.report.dump = std::move(facts.dump);
        run.report.out = ReadBack(out.get());
        run.report.err = ReadBack(err.get());
    }
    run.report.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.state = PortState::Done;
}

// Counts the ports whose run has ended, so the report follows the last port within a
// few milliseconds instead of at the next tick.
class Endings {
  public:
    void Signal() { ++ended_; }
    // Waits until more than seen runs have ended, or at most the time given; the count.
    size_t WaitPast(size_t seen, std::chrono::milliseconds most) {
        constexpr auto kStep = std::chrono::milliseconds(5);
        const auto end = Clock::now() + most;
        while (ended_ <= seen && Clock::now() < end) {
            std::this_thread::sleep_for(kStep);
        }
        return ended_;
    }

  private:
    std::atomic<size_t> ended_{0};
};

void PrintLine(const Command& command, const PortRun& run, std::FILE* out) {
    const PortState state = run.state;
    if (state != PortState::Done) {
        std::fprintf(out, "%-32s %s\033[K\n", ShownName(run.report.port).c_str(),
                     state == PortState::Waiting ? "waiting" : "running");
        return;
    }
    std::fprintf(out, "%-32s %s (exit %d) in %.2f s\033[K\n", ShownName(run.report.port).c_str(),
                 ResultWord(command, run.report.code), run.report.code, run.report.seconds);
}

// On a terminal, one line per port redrawn in place; otherwise one line as each ends.
void Watch(const Command& command, std::vector<std::unique_ptr<PortRun>>& runs, Endings& endings,
           bool terminal, std::FILE* err) {
    std::vector<bool> shown(runs.size(), false);
    size_t ended = 0;
    for (bool first = true;; first = false) {
        const bool all = std::all_of(runs.begin(), runs.end(),
                                     [](const auto& run) { return run->state == PortState::Done; });
        if (terminal) {
            if (!first) {
                std::fprintf(err, "\033[%zuA", runs.size());
            }
            for (const auto& run : runs) {
                PrintLine(command, *run, err);
            }
        } else {
            for (size_t i = 0; i < runs.size(); ++i) {
                if (!shown[i] && runs[i]->state == PortState::Done) {
                    shown[i] = true;
                    std::fprintf(err, "kdcfg: %s: %s (exit %d)\n",
                                 ShownName(runs[i]->report.port).c_str(),
                                 ResultWord(command, runs[i]->report.code), runs[i]->report.code);
                }
            }
        }
        std::fflush(err);
        if (all) {
            return;
        }
        // A terminal's lines also show who is still running: redraw them now and then.
        ended = endings.WaitPast(ended, std::chrono::milliseconds(terminal ? 100 : 1000));
    }
}

void PrintOutputs(const std::vector<PortReport>& reports, std::FILE* out, std::FILE* err) {
    for (const auto& report : reports) {
        const std::string port = ShownName(report.port);
        if (!report.out.empty()) {
            std::fprintf(out, "== %s\n%s", port.c_str(), report.out.c_str());
        }
        if (!report.err.empty()) {
            std::fprintf(err, "== %s\n%s", port.c_str(), report.err.c_str());
        }
    }
}

// The ports to run, each device once under the first name given for it: a second run
// would only find the port taken by the first.
std::vector<std::string> DistinctPorts(const std::vector<std::string>& ports, std::FILE* err) {
    std::vector<std::string> kept;
    std::vector<std::string> devices;
    for (const std::string& port : ports) {
        const std::string device = PortDeviceKey(port);
        const auto same = std::find(devices.begin(), devices.end(), device);
        if (same == devices.end()) {
            kept.push_back(port);
            devices.push_back(device);
            continue;
        }
        const std::string first = kept[static_cast<size_t>(same - devices.begin())];
        if (first != port) {
            std::fprintf(err, "kdcfg: %s is the same port as %s: run once, as %s\n",
                         ShownName(port).c_str(), ShownName(first).c_str(),
                         ShownName(first).c_str());
        }
    }
    return kept;
}

}  // namespace

std::string ExpandPorts(Options& options) {
    if (options.portPattern.empty()) {
        return {};
    }
    std::string error;
    std::vector<std::string> found = MatchPortPattern(options.portPattern, error);
    if (found.empty()) {
        return error;
    }
    for (auto& path : found) {
        if (std::find(options.ports.begin(), options.ports.end(), path) == options.ports.end()) {
            options.ports.push_back(std::move(path));
        }
    }
    options.serial.portPath = options.ports.front();
    return {};
}

int WorstCode(const std::vector<PortReport>& reports) {
    int worst = kExitOk;
    for (const auto& report : reports) {
        worst = std::max(worst, report.code);
    }
    return worst;
}

int RunOnEveryPort(const Options& options, std::FILE* out, std::FILE* err) {
    const Command& command = *FindCommand(options.command);
    std::vector<std::unique_ptr<PortRun>> runs;
    for (const auto& port : DistinctPorts(options.ports, err)) {
        runs.push_back(std::make_unique<PortRun>());
        runs.back()->report.port = port;
    }
    {
        Endings endings;
        std::vector<std::unique_ptr<Worker>> workers;
        for (auto& run : runs) {
            workers.push_back(StartWorker([&options, &run, &endings] {
                RunOnePort(options, *run);
                endings.Signal();
            }));
        }
        Watch(command, runs, endings, IsTerminal(err), err);
    }  // every worker has ended here
    std::vector<PortReport> reports;
    for (auto& run : runs) {
        reports.push_back(std::move(run->report));
    }
    if (DumpsIntoDirectory(options)) {
        SaveDumps(options.dump.output, reports);
    }
    if (options.json) {
        const std::string json = JsonReport(command, reports);
        std::fprintf(out, "%s\n", json.c_str());
    } else {
        PrintOutputs(reports, out, err);
        PrintSummary(command, reports, out);
    }
    return WorstCode(reports);
}

}  // namespace kd::cli
