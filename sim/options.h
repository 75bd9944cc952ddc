#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sim/answer_line.h"
#include "sim/line_pace.h"
#include "sim/reader_model.h"
#include "sim/scan_feed.h"

namespace kd::sim {

struct Options {
    std::string device;  // empty: serve on a new pseudo-terminal
    uint32_t baud = 9600;
    std::string link;       // symlink to the pseudo-terminal, removed at exit
    std::string stateFile;  // empty: stored keys live only as long as the process
    std::string uploadDir = ".";
    std::string logFile;  // empty: standard error
    std::vector<std::pair<std::string, std::string>> values;
    FaultPlan faults;
    LinePace pace;
    AnswerLine answerOn;             // requests on other line settings are ignored
    std::string newFirmwareVersion;  // not empty: masterver once a firmware image has arrived
    std::vector<Scan> scans;         // --scan and --scan-nfc, in the order given
    unsigned scanEveryMs = 0;        // 0: each scan once
    std::string scanFifo;            // --scans: each line a code read
    bool help = false;
    bool version = false;
};

// Reads the arguments after the program name. On a bad one returns false with a
// message naming it.
bool ParseOptions(std::span<const std::string_view> args, Options& options, std::string& error);

std::string UsageText();
// "kdreader-sim 1.0.5" and a line end.
std::string VersionText();

}  // namespace kd::sim
