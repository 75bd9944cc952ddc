#include "cli/commands/keys.h"

#include <string>
#include <vector>

#include "catalogue/key_catalogue.h"
#include "catalogue/key_table.h"
#include "cli/exit_codes.h"
#include "cli/json_output.h"

namespace kd::cli {

namespace {

using catalogue::KeyInfo;

std::vector<std::string> Captions(const KeyInfo& key) {
    std::vector<std::string> captions;
    for (const int control : key.controls) {
        captions.emplace_back(catalogue::ControlCaption(key.page, control));
    }
    return captions;
}

// "0 普通模式 | 1 单次模式", each button beside its literal; plain literals elsewhere.
std::string ValuesText(const KeyInfo& key) {
    const auto values = catalogue::AllowedValues(key);
    if (!values) {
        std::string text =
            "text of up to " + std::to_string(catalogue::WriteLimit(key.name)) + " bytes";
        const auto suggested = catalogue::Suggestions(key);
        for (size_t i = 0; i < suggested.size(); ++i) {
            text += i == 0 ? ", such as " : " | ";
            text += suggested[i];
        }
        return text;
    }
    std::string text;
    for (size_t i = 0; i < values->size(); ++i) {
        text += i == 0 ? "" : " | ";
        text += (*values)[i].empty() ? "(empty)" : Shown((*values)[i]);
        if (key.kind == catalogue::ControlKind::RadioGroup && i < key.controls.size()) {
            const std::string_view caption = catalogue::ControlCaption(key.page, key.controls[i]);
            if (caption != (*values)[i]) {
                text += ' ';
                text += caption;
            }
        }
    }
    return text;
}

std::string ControlsText(const KeyInfo& key) {
    if (key.kind == catalogue::ControlKind::RadioGroup) {
        // The buttons are named beside their values.
        const std::string_view group = catalogue::GroupCaption(key.page, key.controls[0]);
        return group.empty() ? std::string() : std::string(" > ") + std::string(group);
    }
    std::string text;
    for (const std::string& caption : Captions(key)) {
        text += (text.empty() ? " > " : ", ") + caption;
    }
    return text;
}

nlohmann::json KeyJson(const KeyInfo& key) {
    nlohmann::json values = nullptr;
    if (const auto allowed = catalogue::AllowedValues(key)) {
        values = nlohmann::json::array();
        for (const std::string& value : *allowed) {
            values.push_back(Shown(value));
        }
    }
    nlohmann::json suggestions = nlohmann::json::array();
    for (const std::string_view entry : catalogue::Suggestions(key)) {
        suggestions.push_back(entry);
    }
    return {{"key", key.name},
            {"page", catalogue::PageCaption(key.page)},
            {"controls", Captions(key)},
            {"kind", catalogue::KindName(key.kind)},
            {"access", catalogue::AccessName(key.access)},
            {"values", values},
            {"suggestions", suggestions},
            {"maxBytes", catalogue::WriteLimit(key.name)}};
}

}  // namespace

int RunKeys(bool asJson, std::FILE* out) {
    if (asJson) {
        nlohmann::json keys = nlohmann::json::array();
        for (const KeyInfo& key : catalogue::Keys()) {
            keys.push_back(KeyJson(key));
        }
        PrintJson({{"keys", keys}}, out);
        return kExitOk;
    }
    for (const KeyInfo& key : catalogue::Keys()) {
        std::string access;
        if (key.access != catalogue::Access::ReadWrite) {
            access = ' ' + Parenthesized(catalogue::AccessName(key.access));
        }
        std::fprintf(out, "%s\t%s%s\t%s%s\t%s\n", std::string(key.name).c_str(),
                     std::string(catalogue::PageCaption(key.page)).c_str(),
                     ControlsText(key).c_str(), std::string(catalogue::KindName(key.kind)).c_str(),
                     access.c_str(), ValuesText(key).c_str());
    }
    return kExitOk;
}

}  // namespace kd::cli
