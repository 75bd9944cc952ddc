#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace kd {
namespace ui {
class Toolkit;
}

// What the command line of kdconfig asks for.
struct KdconfigArguments {
    std::vector<std::string> ports;   // --port PATH, in order: first in the port list
    std::vector<std::string> extras;  // arguments left for the window system (Qt's own)
};

// How parsing ended: the arguments, or the exit code and the text to print (--help on
// standard output, a bad argument on standard error).
struct ParsedArguments {
    std::optional<KdconfigArguments> arguments;
    int exitCode = 0;
    std::string output;
    std::string error;
};

// Reads the arguments after the program name.
ParsedArguments ParseKdconfigArguments(const std::vector<std::string>& args);

// What the program reads of the system around it; main takes the live one.
struct LinuxSystem {
    std::filesystem::path root = "/";  // where /sys and /dev are
    std::optional<std::filesystem::path> lockDirectory;
    std::string lockProblem;  // why there is no lock folder, when there is none
};

// The live system: the root file system, and the lock folder from $XDG_RUNTIME_DIR or
// a private one under /tmp.
LinuxSystem LiveLinuxSystem();

// The program: the application object and its main window over the toolkit, the port
// and HID lists of this system, the serial ports and the files of the current folder.
// Returns the process's exit code.
int RunKdconfigProgram(const KdconfigArguments& arguments, ui::Toolkit& toolkit,
                       const LinuxSystem& system, std::ostream& warnings);

}  // namespace kd
