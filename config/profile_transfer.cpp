#include "config/profile_transfer.h"

#include "catalogue/key_catalogue.h"
#include "catalogue/key_table.h"
#include "catalogue/profile.h"
#include "resources/strings.h"
#include "text/escape.h"

namespace kd::profile_transfer {

namespace {

std::string Quoted(std::string_view bytes) {
    return "“" + text::EscapeText(bytes) + "”";
}

std::string AtLine(size_t line) {
    return "第 " + std::to_string(line) + " 行：";
}

// Why the catalogue refuses the entry, or empty when it takes it.
std::string Refusal(const profile::Entry& entry, const catalogue::KeyInfo* key) {
    if (key == nullptr) {
        return AtLine(entry.line) + "未知的设置项 " + Quoted(entry.key);
    }
    const auto problem = catalogue::CheckValue(*key, entry.value);
    if (!problem) {
        return {};
    }
    if (*problem == catalogue::ValueProblem::TooLong) {
        return AtLine(entry.line) + entry.key + " 的值为 " + std::to_string(entry.value.size()) +
               " 字节，设备最多接受 " + std::to_string(catalogue::WriteLimit(entry.key)) + " 字节";
    }
    return AtLine(entry.line) + entry.key + " 的值 " + Quoted(entry.value) + " 不是它可取的值";
}

}  // namespace

std::string ExportText(const std::vector<KeyWrite>& writes, const ReaderSet& readerSet) {
    // A key Save writes twice ends with its last value.
    KeyValues values;
    for (const KeyWrite& write : writes) {
        values[std::string(write.key)] = write.value;
    }
    std::vector<profile::Item> items;
    for (const auto& [key, value] : values) {
        items.push_back({key, value, {}});
    }
    items.push_back({std::string(catalogue::key::kMasterVer), readerSet.version, {}});
    items.push_back({std::string(catalogue::key::kHistoryTime), readerSet.factoryTime, {}});
    const std::vector<std::string> header = {"kdconfig " + std::string(strings::kToolVersion) +
                                             ": exported from the settings dialog"};
    return profile::Format(header, items);
}

Checked CheckText(std::string_view text) {
    Checked checked;
    std::vector<profile::ParseError> errors;
    const std::optional<profile::Profile> parsed = profile::Parse(text, errors);
    for (const profile::ParseError& error : errors) {
        checked.problems.push_back(AtLine(error.line) + error.message);
    }
    if (!parsed) {
        return checked;
    }
    KeyValues values;
    for (const profile::Entry& entry : parsed->entries) {
        const catalogue::KeyInfo* key = catalogue::FindKey(entry.key);
        if (std::string refusal = Refusal(entry, key); !refusal.empty()) {
            checked.problems.push_back(std::move(refusal));
        } else if (!catalogue::IsReadOnly(entry.key)) {
            values.emplace(entry.key, entry.value);
        }
    }
    if (!catalogue::SetsAnyKey(*parsed)) {
        checked.problems.push_back("文件中没有任何设置项");
    }
    if (checked.problems.empty()) {
        checked.values = std::move(values);
    }
    return checked;
}

std::vector<std::string> Unshown(const KeyValues& values, const std::vector<KeyWrite>& writes) {
    KeyValues sent;
    for (const KeyWrite& write : writes) {
        sent[std::string(write.key)] = write.value;
    }
    std::vector<std::string> unshown;
    for (const auto& [key, value] : values) {
        const std::string* willSend = FindValue(sent, key);
        if (willSend != nullptr && *willSend != value) {
            unshown.push_back(key + " 的值 " + Quoted(value) +
                              " 无法在设置页中显示（与文件中的其他设置不相符），保存将写入 " +
                              Quoted(*willSend));
        }
    }
    return unshown;
}

std::vector<std::string> Ungiven(const KeyValues& values, const std::vector<KeyWrite>& writes,
                                 const std::set<std::string, std::less<>>& readFromReader) {
    std::vector<std::string> ungiven;
    for (const KeyWrite& write : writes) {
        if (write.value.empty() && FindValue(values, write.key) == nullptr &&
            !readFromReader.contains(write.key)) {
            ungiven.push_back("文件没有给出 " + std::string(write.key) +
                              " 的值，打开设置时也未从设备读取它，保存将把它写为空值");
        }
    }
    return ungiven;
}

}  // namespace kd::profile_transfer
