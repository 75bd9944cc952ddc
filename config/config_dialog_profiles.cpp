// The settings dialog's 导出配置… and 导入配置….
#include <vector>

#include "config/config_dialog.h"
#include "config/file_fault_text.h"
#include "config/profile_transfer.h"
#include "files/whole_file.h"
#include "resources/strings.h"

namespace kd {

namespace {

// At most this many problems are listed; the rest are counted.
constexpr size_t kProblemsShown = 8;

std::string Listed(const std::vector<std::string>& problems) {
    std::string text;
    for (size_t i = 0; i < problems.size() && i < kProblemsShown; ++i) {
        text += problems[i] + "\n";
    }
    if (problems.size() > kProblemsShown) {
        text += "……另有 " + std::to_string(problems.size() - kProblemsShown) + " 处问题\n";
    }
    return text;
}

ui::FileDialogRequest ProfileRequest(ui::FileDialogKind kind) {
    const bool save = kind == ui::FileDialogKind::Save;
    return {kind, std::string(save ? strings::kExportProfileTitle : strings::kImportProfileTitle),
            std::string(strings::kProfileFilterName), std::string(strings::kProfilePattern),
            save ? std::string(strings::kProfileDefaultName) : std::string()};
}

}  // namespace

void ConfigDialog::OnExport() {
    // What cannot be saved cannot be exported either: the profile holds what Save sends.
    if (!FieldsCanBeSent()) {
        return;
    }
    const std::optional<std::string> path =
        GetToolkit().ChooseFile(this, ProfileRequest(ui::FileDialogKind::Save));
    if (!path) {
        return;
    }
    const std::string text = profile_transfer::ExportText(
        SaveWrites(CurrentSettings()), {aboutPage_.Version(), aboutPage_.FactoryTime()});
    const std::string caption = GetToolkit().ApplicationName();
    if (const files::Result written = files::ReplaceWhole(*path, text); !written) {
        MessageBox(std::string(strings::kExportFailed) + *path + "\n" + DescribeFileFault(written),
                   caption, ui::kMessageIconWarning);
        return;
    }
    MessageBox(std::string(strings::kExportDone) + *path, caption, ui::kMessageIconInformation);
}

void ConfigDialog::OnImport() {
    const std::optional<std::string> path =
        GetToolkit().ChooseFile(this, ProfileRequest(ui::FileDialogKind::Open));
    if (!path) {
        return;
    }
    const std::string caption = GetToolkit().ApplicationName();
    std::string text;
    if (const files::Result read = files::ReadWhole(*path, text); !read) {
        MessageBox(std::string(strings::kImportUnreadable) + *path + "\n" +
                       DescribeFileFault(read) + "\n" + std::string(strings::kImportRefused),
                   caption, ui::kMessageIconWarning);
        return;
    }
    const profile_transfer::Checked checked = profile_transfer::CheckText(text);
    std::string problem = Listed(checked.problems);
    if (checked.values && FillPages(*checked.values, problem)) {
        MessageBox(strings::kImportDone, caption, ui::kMessageIconInformation);
        return;
    }
    MessageBox(std::string(strings::kImportRefusedHead) + *path + "\n" + problem +
                   std::string(strings::kImportRefused),
               caption, ui::kMessageIconWarning);
}

bool ConfigDialog::FillPages(const KeyValues& values, std::string& problem) {
    std::vector<SettingsPage::State> kept;
    for (int index = 0; index < kPageCount; ++index) {
        kept.push_back(PageAt(index).Keep());
    }
    // The keys the reader sets itself stay as read, whatever the profile says.
    KeyValues settable;
    for (const auto& [name, value] : values) {
        const catalogue::KeyInfo* key = catalogue::FindKey(name);
        if (key == nullptr || key->access != catalogue::Access::ReadOnly) {
            settable.emplace(name, value);
        }
    }
    for (int index = 0; index < kPageCount; ++index) {
        PageAt(index).Fill(settable);
    }
    const std::vector<KeyWrite> writes = SaveWrites(CurrentSettings());
    std::vector<std::string> unshown = profile_transfer::Unshown(values, writes);
    for (std::string& ungiven : profile_transfer::Ungiven(values, writes, watch_.ReadNames())) {
        unshown.push_back(std::move(ungiven));
    }
    if (unshown.empty()) {
        return true;
    }
    for (int index = 0; index < kPageCount; ++index) {
        PageAt(index).Restore(kept[static_cast<size_t>(index)]);
    }
    problem = Listed(unshown);
    return false;
}

}  // namespace kd
