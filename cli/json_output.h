#pragma once

#include <cstdio>
#include <string_view>

#include <nlohmann/json.hpp>

namespace kd::cli {

// A reader's bytes as the text form that kdcfg prints: GBK as UTF-8, other bytes, the
// backslash and edge blanks escaped. Never spans a line, always valid UTF-8.
std::string Shown(std::string_view bytes);

// A name or text the system gave (a port path, a sysfs string) as kdcfg prints it: UTF-8
// kept, other bytes, controls, the backslash and edge blanks escaped.
std::string ShownName(std::string_view bytes);

// "(text)", for a value that is missing and the reason in its place.
std::string Parenthesized(std::string_view text);

// One document on out, ended by a line end.
void PrintJson(const nlohmann::json& document, std::FILE* out);

}  // namespace kd::cli
