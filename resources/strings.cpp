#include "resources/strings.h"

#include "resources/ids.h"

namespace kd::strings {

std::string_view Load(int id) {
    switch (id) {
        case ids::kAboutMenuString:
            return kAboutMenu;
        case ids::kToolVersionString:
            return kToolVersion;
        default:
            return {};
    }
}

}  // namespace kd::strings
