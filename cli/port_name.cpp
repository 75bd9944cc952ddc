#include <algorithm>
#include <cctype>

#include "cli/platform.h"

namespace kd::cli {

std::string WindowsComDevicePath(std::string_view name) {
    const auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    const bool bareCom = name.size() > 3 &&
                         std::equal(name.begin(), name.begin() + 3, "COM",
                                    [](char a, char b) {
                                        return std::toupper(static_cast<unsigned char>(a)) == b;
                                    }) &&
                         std::all_of(name.begin() + 3, name.end(), isDigit);
    return bareCom ? "\\\\.\\" + std::string(name) : std::string(name);
}

}  // namespace kd::cli
