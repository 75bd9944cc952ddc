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

// get: the keys to read.
struct GetOptions {
    std::vector<std::string> keys;
};

// set: the keys to write, in order.
struct SetOptions {
    std::vector<KeyAssignment> assignments;
    bool store = false;  // --store
    bool force = false;  // --force
};

// upload-firmware, upload-config: the file to send.
struct UploadOptions {
    std::string file;
};

// dump: where the profile goes; empty: standard output.
struct DumpOptions {
    std::string output;  // -o FILE|DIR
};

// diff, apply: the profile to compare or put on the reader.
struct ProfileOptions {
    std::string file;
    // What the file holds, read before any port is opened (ReadCommandProfile).
    std::optional<profile::Profile> read;
    bool dryRun = false;  // apply --dry-run
    bool force = false;   // apply --force
};

// station: what it watches and what it puts on each reader.
struct StationOptions {
    std::string watch;            // --watch GLOB
    std::string profile;          // --profile FILE
    std::string firmware;         // --firmware FILE; empty: no firmware step
    std::string firmwareVersion;  // --firmware-version TEXT
    unsigned firmwareWaitSeconds = 30;
    std::string log;  // --log FILE; empty: no log
    bool probe = false;
    bool force = false;  // --force
};

// What the command line gave. The line options are the whole program's (command_line.cpp);
// each command's own options are added to the parser by that command's file, through its
// entry in the table of commands, and only that command's member below is filled.
struct Options {
    SerialSettings serial;
    std::vector<std::string> ports;  // every --port, in order; serial.portPath is the first
    std::string portPattern;         // --ports: a pattern for more
    bool trace = false;
    bool verbose = false;         // -v: each frame in words on standard error
    bool designedTiming = false;  // read replies as the window does, not at line speed
    std::string command;          // the name of the command chosen
    bool json = false;            // --json, for the commands that have a JSON form
    GetOptions get;
    SetOptions set;
    UploadOptions upload;
    DumpOptions dump;
    ProfileOptions profile;
    StationOptions station;
    // Set by main, not by the command line: the stop signal that came (a StopCause), read
    // between exchanges. Null: nothing watches for one.
    const std::atomic<int>* stop = nullptr;
};

}  // namespace kd::cli
