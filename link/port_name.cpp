#include "link/port_name.h"

#include <algorithm>

namespace kd {

namespace {

bool IsBareComName(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    const auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (upper(name[0]) != 'C' || upper(name[1]) != 'O' || upper(name[2]) != 'M') {
        return false;
    }
    return std::all_of(name.begin() + 3, name.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string WindowsPortPath(const std::string& name) {
    return IsBareComName(name) ? "\\\\.\\" + name : name;
}

std::string WindowsPortKey(const std::string& name) {
    std::string key = WindowsPortPath(name);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; });
    return key;
}

}  // namespace kd
