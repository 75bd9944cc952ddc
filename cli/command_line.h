#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"

namespace CLI {
class App;
}

namespace kd::cli {

// What the command line asks for: a command to run, a text to show (help or version),
// or an error.
struct ParseResult {
    std::optional<Options> options;
    bool help = false;     // print helpText on standard output and exit 0
    std::string helpText;  // set when help is
    std::string error;     // set when neither options nor help is
    std::string helpHint;  // with an error: how to ask for the help that fits it
};

// Reads the arguments after the program name. Line options may come before or after
// the command. Nothing is opened.
ParseResult ParseOptions(const std::vector<std::string>& args);

// Shows kdcfg's whole command line, as ParseOptions builds it, to what is made from it
// (the shell completion). Nothing is parsed.
void VisitCommandLine(const std::function<void(const CLI::App&)>& visit);

}  // namespace kd::cli
