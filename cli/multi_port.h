#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/provision_commands.h"

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

// Adds the ports --ports names to options.ports; "" when done, or what is wrong.
std::string ExpandPorts(Options& options);

// Runs options.command on every port at once, one thread per port, and prints each
// port's output, then a summary (or the JSON report). Returns the worst exit code.
int RunOnEveryPort(const Options& options, std::FILE* out, std::FILE* err);

// The summary table and the JSON report, for the main thread.
void PrintSummary(const std::string& command, const std::vector<PortReport>& reports,
                  std::FILE* out);
std::string JsonReport(const std::string& command, const std::vector<PortReport>& reports);

// "PASS" for exit 0; for exit 1, which is no failure, "DIFFERS" (diff) or "SAME" (apply:
// the reader already held the profile); "INTERRUPTED" for a stop signal (130, 143);
// "FAIL" otherwise.
const char* ResultWord(const std::string& command, int code);

// The highest exit code among the ports: the most severe failure decides.
int WorstCode(const std::vector<PortReport>& reports);

}  // namespace kd::cli
