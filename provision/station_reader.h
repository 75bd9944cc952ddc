#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "catalogue/profile.h"
#include "link/serial_settings.h"
#include "provision/progress.h"

namespace kd::provision {

// What the engine asks of the machine about a port, given by the program that runs it;
// called from every reader's thread.
struct PortSystem {
    std::function<std::string(const std::string&)> devicePath;  // the name a port opens by
    std::function<bool(const std::string&)> present;  // whether the port's device is there now
};

// What the station puts on every reader; read by every reader's thread, changed by none.
struct StationSetup {
    PortSystem ports;
    SerialSettings serial;  // the line settings; the port is each reader's own
    bool probe = false;     // find the line settings first
    bool designedTiming = false;
    profile::Profile profile;
    std::string firmwareFile;     // empty: the firmware is left as it is
    std::string firmwareVersion;  // as the reader sends it: GBK bytes
    uint32_t firmwareWaitMs = 30000;
};

// A reader's version labels, as shown; absent when they could not be read.
struct ReaderVersions {
    std::optional<std::string> firmware;   // masterver
    std::optional<std::string> buildDate;  // slavever
};

// What happened to one reader: the PASS or FAIL line and the log record come from it.
struct ReaderRecord {
    std::string time;  // when the reader was taken, UTC
    std::string port;
    std::string line;                         // the line settings it answered on, e.g. "115200 8N1"
    std::optional<std::string> serialNumber;  // deviceno, as shown
    ReaderVersions before;
    ReaderVersions after;
    bool firmwareUploaded = false;
    std::string apply;       // apply's outcome code; empty when apply did not run
    size_t keysChanged = 0;  // keys written and stored
    bool passed = false;
    // Another reader answered on the port after the firmware wait: that one is new.
    bool anotherReader = false;
    std::string reason;
    double seconds = 0;
};

// Connects to the reader on port, updates its firmware when asked (checking that the
// same reader answers afterwards), applies the profile with read-back, and says how it
// went. Exchanges go one at a time. Once stop is set,
// no connection is retried and a firmware upload ends before its next block; otherwise
// a reader that answered goes to its end. Each step is told to progress (may be null).
ReaderRecord HandleReader(const StationSetup& setup, const std::string& port,
                          const std::atomic<bool>& stop, Progress* progress = nullptr);

}  // namespace kd::provision
