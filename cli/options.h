#pragma once

#include <atomic>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/profile.h"
#include "link/serial_settings.h"

namespace kd::cli {

struct KeyAssignment {
    std::string name;
    std::string value;
};

// station: what it watches and what it puts on each reader.
struct StationOptions {
    std::string watch;            // --watch GLOB
    std::string firmware;         // --firmware FILE; empty: no firmware step
    std::string firmwareVersion;  // --firmware-version TEXT
    unsigned firmwareWaitSeconds = 30;
    std::string log;  // --log FILE; empty: no log
    bool probe = false;
};

// What the command line gave. The line options are the whole program's (command_line.cpp);
// each command's own values below are added to the parser by that command's file, through
// its entry in the table of commands.
struct Options {
    SerialSettings serial;
    std::vector<std::string> ports;  // every --port, in order; serial.portPath is the first
    std::string portPattern;         // --ports: a pattern for more
    bool trace = false;
    bool designedTiming = false;    // read replies as the window does, not at line speed
    std::string command;            // info, get, set, store, upload-firmware, upload-config, keys,
                                    // dump, diff, apply, ports, probe, station
    std::vector<std::string> keys;  // get
    std::vector<KeyAssignment> assignments;  // set
    bool store = false;                      // set --store
    std::string uploadFile;                  // upload-firmware, upload-config
    bool json = false;                       // info, get, keys, dump, diff, apply, ports
    std::string profile;                     // diff, apply, station
    // diff, apply: what profile holds, read before any port is opened (ReadCommandProfile)
    std::optional<profile::Profile> profileRead;
    std::string output;   // dump -o
    bool dryRun = false;  // apply
    bool force = false;   // apply, set
    StationOptions station;
    // Set by main, not by the command line: the stop signal that came (a StopCause), read
    // between exchanges. Null: nothing watches for one.
    const std::atomic<int>* stop = nullptr;
};

}  // namespace kd::cli
