#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "cli/line_defaults.h"

// What kdcfg asks of the operating system, one file per platform.
namespace kd::cli {

// Opens the null device onto any of descriptors 0 to 2 that is closed, so that a port
// opened later cannot land there and take the output meant for the terminal. It is
// opened for reading only, so that output to a stream that was closed still fails.
bool GuardStandardDescriptors(std::string& error);

bool IsTerminal(std::FILE* stream);

// Whether the terminal behind stream takes escape sequences for colour and cursor moves;
// on Windows this switches the console into that mode, where it has one.
bool EnableTerminalSequences(std::FILE* stream);

// The width of the terminal behind stream in columns; 0 when unknown.
size_t TerminalColumns(std::FILE* stream);

// The name the port is opened by: on Windows link's WindowsPortPath.
std::string PortDevicePath(const std::string& name);

// The paths a shell pattern matches, sorted; empty with error set when none do.
std::vector<std::string> MatchPortPattern(const std::string& pattern, std::string& error);

// The configuration file read when --config names none: $XDG_CONFIG_HOME/kdcfg/config or
// ~/.config/kdcfg/config; on Windows %APPDATA%\kdcfg\config. "" when there is no such place.
std::string DefaultConfigFile(const Environment& environment);

}  // namespace kd::cli
