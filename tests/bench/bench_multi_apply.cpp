// apply of a ten-key profile to 1, 4 and 16 modelled readers at once, through the real
// kdcfg, each reader giving the line its time at 115200 bit/s. Prints kdcfg's wall and CPU
// time for each count and the 16-reader run against the 1-reader run (the aim: at most
// 1.3 times). Timing never fails it; a run in which some reader did not get all ten keys
// written and verified does.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/processes.h"

namespace {

using namespace kd;

constexpr size_t kKeys = 10;
constexpr int kRuns = 15;

// Two profiles that differ in every key; applied in turn, each run writes all ten.
constexpr const char* kProfiles[2] = {
    "qrcode=0\ndmcode=0\nonecode=0\npdf417code=1\nworkmode=2\n"
    "intervaltime=500\ncodeprefix=AB\ncodepostfix=CD\nnfcable=0\nscanmode=1\n",
    "qrcode=1\ndmcode=1\nonecode=1\npdf417code=0\nworkmode=1\n"
    "intervaltime=800\ncodeprefix=XY\ncodepostfix=Z\nnfcable=1\nscanmode=0\n",
};

struct Timing {
    double wallMs = 0;
    double cpuMs = 0;
};

// Readers that start apart from the first profile, each with its own serial number and
// prefix.
std::vector<std::unique_ptr<test::SimProcess>> StartReaders(size_t count) {
    std::vector<std::unique_ptr<test::SimProcess>> readers;
    for (size_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i + 1);
        readers.push_back(std::make_unique<test::SimProcess>(
            KD_READER_SIM_PATH,
            std::vector<std::string>{"--log", "/dev/null", "--line-rate", "115200", "--value",
                                     "deviceno=BENCH-" + n, "--value", "codeprefix=P" + n}));
    }
    return readers;
}

// Every reader got all ten keys written and read back: one port prints apply's own JSON,
// many ports the report.
bool AllWrittenAndVerified(const nlohmann::json& document, size_t readers) {
    if (readers == 1) {
        const auto& writes = document["writes"];
        return document["outcome"] == "verified" && writes.size() == kKeys &&
               std::all_of(writes.begin(), writes.end(),
                           [](const auto& write) { return write["verified"] == true; });
    }
    const auto& ports = document["ports"];
    return ports.size() == readers && std::all_of(ports.begin(), ports.end(), [](const auto& port) {
               return port["keysChanged"] == kKeys && port["verified"] == true;
           });
}

std::optional<Timing> ApplyOnce(const std::vector<std::unique_ptr<test::SimProcess>>& readers,
                                const std::string& profile, std::string& error) {
    std::vector<std::string> args = {KDCFG_PATH, "--baud", "115200"};
    for (const auto& reader : readers) {
        args.insert(args.end(), {"--port", reader->PortPath()});
    }
    args.insert(args.end(), {"apply", profile, "--json"});
    const auto start = std::chrono::steady_clock::now();
    const test::RunResult run = test::RunProgram(args);
    const std::chrono::duration<double, std::milli> wall = std::chrono::steady_clock::now() - start;
    const auto document = nlohmann::json::parse(run.out, nullptr, false);
    if (run.exitCode != 0 || document.is_discarded() ||
        !AllWrittenAndVerified(document, readers.size())) {
        error = "exit " + std::to_string(run.exitCode) + "\n" + run.err + run.out;
        return std::nullopt;
    }
    return Timing{wall.count(), run.cpuSeconds * 1000.0};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The readers of one count, and its runs' times.
struct Group {
    std::vector<std::unique_ptr<test::SimProcess>> readers;
    std::vector<double> wallMs;
    std::vector<double> cpuMs;
};

// Runs the counts in turn, round after round and in the other order every second round,
// so that the machine's other work weighs on each count alike; the profiles take turns
// within each group.
bool MeasureInTurn(std::vector<Group>& groups, const test::TempDir& dir, std::string& error) {
    for (int run = 0; run < kRuns; ++run) {
        const std::string profile = (dir / ("profile" + std::to_string(run % 2))).string();
        for (size_t turn = 0; turn < groups.size(); ++turn) {
            Group& group = groups[run % 2 == 0 ? turn : groups.size() - 1 - turn];
            const auto timing = ApplyOnce(group.readers, profile, error);
            if (!timing) {
                error = std::to_string(group.readers.size()) + " readers: " + error;
                return false;
            }
            group.wallMs.push_back(timing->wallMs);
            group.cpuMs.push_back(timing->cpuMs);
        }
    }
    return true;
}

std::string LoadAverage() {
    const std::string text = test::ReadFile("/proc/loadavg");
    return text.substr(0, text.find(' ', text.find(' ', text.find(' ') + 1) + 1));
}

}  // namespace

// Takes no arguments of its own; the benchmark library's flags, which the test script
// gives every benchmark, are ignored.
int main() {
    test::TempDir dir;
    for (int i = 0; i < 2; ++i) {
        test::WriteFile(dir / ("profile" + std::to_string(i)), kProfiles[i]);
    }
    std::vector<Group> groups;
    for (const size_t count : {1, 4, 16}) {
        groups.push_back({StartReaders(count), {}, {}});
        for (const auto& reader : groups.back().readers) {
            if (reader->PortPath().empty()) {
                std::fprintf(stderr, "a modelled reader did not start\n");
                return 1;
            }
        }
    }
    const std::string loadBefore = LoadAverage();
    std::string error;
    if (!MeasureInTurn(groups, dir, error)) {
        std::fprintf(stderr, "apply failed: %s\n", error.c_str());
        return 1;
    }
    std::printf("apply of %zu keys at 115200 bit/s through kdcfg, %d runs each; load %s\n", kKeys,
                kRuns, loadBefore.c_str());
    std::printf("%-8s %16s %10s %16s\n", "readers", "wall ms median", "wall min", "cpu ms median");
    for (const Group& group : groups) {
        std::printf("%-8zu %16.1f %10.1f %16.1f\n", group.readers.size(), Median(group.wallMs),
                    *std::min_element(group.wallMs.begin(), group.wallMs.end()),
                    Median(group.cpuMs));
    }
    // Each round's 16-reader run against its own 1-reader run, taken moments apart: a busy
    // spell of the machine then shows in both or is outvoted by the other rounds.
    std::vector<double> ratios;
    for (int run = 0; run < kRuns; ++run) {
        ratios.push_back(groups.back().wallMs[run] / groups.front().wallMs[run]);
    }
    const double ratio = Median(ratios);
    std::printf("16 readers / 1 reader, wall, median of the rounds: %.2f (aim: at most 1.30)%s\n",
                ratio, ratio <= 1.3 ? "" : "  OVER");
    return 0;
}
