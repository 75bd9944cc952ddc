#pragma once

#include <string_view>

namespace kd::strings {

// The string table.
inline constexpr std::string_view kAboutMenu = "关于配置工具  (&A)...";  // 101
inline constexpr std::string_view kToolVersion = "1.0.5";                // 104

// Looks up a string resource by id; empty for an id the table does not hold.
std::string_view Load(int id);

}  // namespace kd::strings
