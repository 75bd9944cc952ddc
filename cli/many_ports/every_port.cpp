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
#include "cli/progress_view.h"
#include "cli/run_command.h"
#include "cli/station/platform.h"
#include "cli/terminal_style.h"
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
    std::unique_ptr<SharedProgress> progress;  // written by the port's thread
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
        run.report.code = OpenAndRun(own, false, out.get(), err.get(), &facts, run.progress.get());
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

// A port's live line: what it is doing, or how it ended.
std::string LiveLine(const Command& command, const PortRun& run, bool color) {
    char port[256];
    std::snprintf(port, sizeof port, "%-32s ", ShownName(run.report.port).c_str());
    const PortState state = run.state;
    if (state != PortState::Done) {
        const std::string doing = run.progress->Text();
        return port + (state == PortState::Waiting ? "waiting" : doing.empty() ? "running" : doing);
    }
    char ended[64];
    std::snprintf(ended, sizeof ended, " (exit %d) in %.2f s", run.report.code, run.report.seconds);
    return port + PaintResult(ResultWord(command, run.report.code), color) + ended;
}

// On a terminal, one line per port redrawn in place; otherwise one line as each ends (each
// port's thread adds a line as each of its phases starts). Nothing with --quiet.
void Watch(const Command& command, std::vector<std::unique_ptr<PortRun>>& runs, Endings& endings,
           const Options& options, std::FILE* err) {
    const ProgressMode mode = ProgressModeOf(options, options.liveErr);
    LiveBlock block(err);
    std::vector<bool> shown(runs.size(), false);
    size_t ended = 0;
    for (;;) {
        const bool all = std::all_of(runs.begin(), runs.end(),
                                     [](const auto& run) { return run->state == PortState::Done; });
        if (mode == ProgressMode::Live) {
            std::vector<std::string> lines;
            for (const auto& run : runs) {
                lines.push_back(LiveLine(command, *run, options.colorErr));
            }
            block.Draw(lines);
        } else if (mode == ProgressMode::Plain) {
            for (size_t i = 0; i < runs.size(); ++i) {
                if (!shown[i] && runs[i]->state == PortState::Done) {
                    shown[i] = true;
                    std::fprintf(
                        err, "kdcfg: %s: %s (exit %d)\n", ShownName(runs[i]->report.port).c_str(),
                        PaintResult(ResultWord(command, runs[i]->report.code), options.colorErr)
                            .c_str(),
                        runs[i]->report.code);
                }
            }
        }
        std::fflush(err);
        if (all) {
            block.Leave();  // the last lines say how each port ended
            return;
        }
        // A terminal's lines also show how far each port has come: redraw them now and then.
        ended = endings.WaitPast(
            ended, std::chrono::milliseconds(mode == ProgressMode::Live ? 100 : 1000));
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
std::vector<std::string> DistinctPorts(const std::vector<std::string>& ports, bool color,
                                       std::FILE* err) {
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
            const std::string warning = ShownName(port) + " is the same port as " +
                                        ShownName(first) + ": run once, as " + ShownName(first);
            std::fprintf(err, "kdcfg: %s\n", Paint(warning, Tone::Warning, color).c_str());
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
    const ProgressMode mode = ProgressModeOf(options, options.liveErr);
    for (const auto& port : DistinctPorts(options.ports, options.colorErr, err)) {
        runs.push_back(std::make_unique<PortRun>());
        runs.back()->report.port = port;
        runs.back()->progress =
            std::make_unique<SharedProgress>(err, mode, "kdcfg: " + ShownName(port) + ": ");
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
        Watch(command, runs, endings, options, err);
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
        PrintSummary(command, reports, out, options.colorOut);
    }
    return WorstCode(reports);
}

}  // namespace kd::cli
