#include "catalogue/key_catalogue.h"

#include "protocol/device_commands.h"

namespace kd::catalogue {

namespace {

void AppendToken(std::string& list, std::string_view token) {
    if (!list.empty()) {
        list += value::kTokenSeparator;
    }
    list += token;
}

}  // namespace

bool ExactMatch(std::string_view value, std::string_view literal) {
    return value == literal;
}

bool Contains(std::string_view value, std::string_view literal) {
    return value.find(literal) != std::string_view::npos;
}

bool NonEmpty(std::string_view value) {
    return !value.empty();
}

bool FlagIsOn(std::string_view value) {
    return ExactMatch(value, value::kOn);
}

std::string_view FlagValue(bool on) {
    return on ? value::kOn : value::kOff;
}

int MatchChoice(std::span<const std::string_view> literals, std::string_view value) {
    for (size_t i = 0; i < literals.size(); ++i) {
        if (ExactMatch(value, literals[i])) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int MatchRebootLight(std::string_view value) {
    for (size_t i = 0; i < kRebootLights.size(); ++i) {
        if (ExactMatch(value, kRebootLights[i].literal)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int MatchDevelopMode(std::string_view developCtrl, std::string_view scanMode) {
    for (size_t i = 0; i < kDevelopModes.size(); ++i) {
        if (ExactMatch(developCtrl, kDevelopModes[i].developCtrl) &&
            ExactMatch(scanMode, kDevelopModes[i].scanMode)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

std::string ContentOrderValue(bool enter, bool wrap) {
    std::string order(value::kContentOrderHead);
    if (enter) {
        AppendToken(order, value::kEnterToken);
    }
    if (wrap) {
        AppendToken(order, value::kWrapToken);
    }
    return order;
}

std::string HintValue(const RebootLight& light, bool beeper, bool redFlash) {
    std::string hint;
    if (beeper) {
        AppendToken(hint, value::kBeeperToken);
    }
    if (redFlash && light.takesRedFlash) {
        AppendToken(hint, value::kRedFlashToken);
    }
    return hint;
}

size_t WriteLimit(std::string_view keyName) {
    return KeyWriteLimit(keyName.size());
}

}  // namespace kd::catalogue
