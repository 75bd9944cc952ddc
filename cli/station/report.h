#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "provision/station_reader.h"

namespace kd::cli {

// The log's record of one reader: time, port, line settings, serial number, versions
// before and after, whether firmware was sent, apply's outcome, keys changed, result,
// reason and seconds. Unknown values are null.
nlohmann::ordered_json RecordJson(const provision::ReaderRecord& record);

// The record as one line of text for the log, ended by a line end; odd bytes of a
// reader never break it.
std::string RecordLine(const provision::ReaderRecord& record);

// "PASS PORT serial S firmware V: reason (1.23 s)", without a line end; PASS green and
// FAIL red when color.
std::string ResultLine(const provision::ReaderRecord& record, bool color = false);

}  // namespace kd::cli
