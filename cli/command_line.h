#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/line_defaults.h"
#include "cli/options.h"

namespace kd::cli {

// What the command line asks for: a command to run, a help text to show, or an error.
struct ParseResult {
    std::optional<Options> options;
    bool help = false;
    std::string helpText;  // set when help is
    std::string error;     // set when neither options nor help is
    std::string helpHint;  // with an error: how to ask for the help that fits it
};

// Reads the arguments after the program name. Line options may come before or after
// the command; those not given come from the environment, then from the configuration
// file (--config FILE, or the usual one when there is an environment). Without an
// environment only the command line and a --config file count. Nothing but that file is
// opened.
ParseResult ParseOptions(const std::vector<std::string>& args, const Environment& environment = {});

}  // namespace kd::cli
