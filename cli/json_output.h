#pragma once

#include <cstdio>
#include <string_view>

#include <nlohmann/json.hpp>

namespace kd::cli {

// A reader's bytes as the text form that kdcfg prints: GBK as UTF-8, other bytes, the
// backslash and edge blanks escaped. Never spans a line, always valid UTF-8.
std::string Shown(std::string_view bytes);

// One document on out, ended by a line end.
void PrintJson(const nlohmann::json& document, std::FILE* out);

}  // namespace kd::cli
