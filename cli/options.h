#pragma once

#include <optional>
#include <string>
#include <vector>

#include "link/serial_settings.h"

namespace kd::cli {

struct KeyAssignment {
    std::string name;
    std::string value;
};

struct Options {
    SerialSettings serial;
    bool trace = false;
    std::string command;                     // info, get, set, store
    std::vector<std::string> keys;           // get
    std::vector<KeyAssignment> assignments;  // set
    bool store = false;                      // set --store
    std::string uploadFile;                  // upload-firmware, upload-config
};

struct ParseResult {
    std::optional<Options> options;
    std::string error;  // set when options is empty
    bool help = false;
};

ParseResult ParseOptions(const std::vector<std::string>& args);

std::string UsageText();

}  // namespace kd::cli
