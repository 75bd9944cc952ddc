#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "cli/many_ports/report.h"
#include "cli/options.h"

// dump -o DIR: one profile file per reader, named by its serial number.
namespace kd::cli {

// Whether dump -o names a directory: with many ports always; with one port when it is a
// directory already or ends with a separator.
bool DumpsIntoDirectory(const Options& options);

// Creates the directory when it is missing; false after saying on err why it cannot hold
// the profiles.
bool PrepareDumpDirectory(const std::string& directory, std::FILE* err);

// A file name that stays inside any directory on any system: the serial number's letters,
// digits, '-', '_' and '.', every other byte '_', never starting with '.' or '-', never a
// Windows device name. Made of the port's name ("port-...") when the serial number has no
// letter or digit. Without the ".profile" ending.
std::string ProfileBaseName(std::string_view serialNumber, std::string_view port);

// The names in order, each later one that repeats an earlier one (letter case aside, as
// some file systems ignore it) given "-2", "-3" and so on.
std::vector<std::string> UniqueNames(const std::vector<std::string>& names);

// Saves each port's kept dump into the directory as NAME.profile, on the main thread once
// every port has ended, and notes the file or the failure in the port's report. A reader
// that stopped answering gets no file.
void SaveDumps(const std::string& directory, std::vector<PortReport>& reports);

// dump -o DIR on one port: the reader's profile into the directory.
int DumpIntoDirectory(const Options& options, std::FILE* out, std::FILE* err);

}  // namespace kd::cli
