#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/command_table.h"
#include "cli/commands/dump_diff_apply.h"

// What a run over many ports came to: one report per port, the table and the JSON.
namespace kd::cli {

// What one port's run came to, gathered on the main thread.
struct PortReport {
    std::string port;
    std::string serialNumber;     // the reader's deviceno key, read after the command
    std::string firmwareVersion;  // its masterver key, read after the command
    int code = -1;                // the exit code the command would have had on its own
    double seconds = 0;
    std::string out;  // what the command printed, and its messages
    std::string err;
    std::optional<ApplySummary> apply;  // apply only
    std::optional<KeptDump> dump;       // dump -o DIR: the profile, until it is saved
    std::string savedAs;                // dump -o DIR: the file it was saved to
};

// The summary table (its results in colour when color) and the JSON report, for the main
// thread.
void PrintSummary(const Command& command, const std::vector<PortReport>& reports, std::FILE* out,
                  bool color);
std::string JsonReport(const Command& command, const std::vector<PortReport>& reports);

// "PASS" for exit 0 (apply: the reader holds the profile, changed or not); for exit 1, the
// command's own word where it is no failure (diff: "DIFFERS"); "INTERRUPTED" for a stop
// signal (130, 143); "FAIL" otherwise.
const char* ResultWord(const Command& command, int code);

// The highest exit code among the ports: the most severe failure decides.
int WorstCode(const std::vector<PortReport>& reports);

}  // namespace kd::cli
