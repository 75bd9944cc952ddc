#pragma once

#include <string>
#include <string_view>
#include <vector>

#include <CLI/CLI.hpp>

namespace kd::cli {

// The longest key name whose record fits a key request or reply at all.
size_t MaxKeyNameLength();

// Each returns "" when the text is acceptable, or what is wrong with it.
std::string CheckKeyName(std::string_view name);
// KEY=VALUE with a name that fits; the value is checked once converted.
std::string CheckAssignment(std::string_view text);

// The checks as CLI11 validators, so that their messages come in CLI11's form.
CLI::Validator PositiveWholeNumber();
// One of the choices in any case, taken as the choice is written: give it to
// CLI::Option::transform (check keeps the text as typed).
CLI::Validator OneOf(std::vector<std::string> choices);
// A path, which must not be the next option: "--port --trace" names no port.
CLI::Validator PathNotOption();
CLI::Validator KeyName();
CLI::Validator Assignment();

}  // namespace kd::cli
