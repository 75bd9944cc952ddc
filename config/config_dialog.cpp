#include "config/config_dialog.h"

#include "catalogue/key_table.h"
#include "protocol/device_commands.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::config_dialog;

int ConfigDialog::ReadWatch::ReadKey(std::string_view name, std::string& value) {
    readNames_.emplace(name);
    const int result = keys_.ReadKey(name, value);
    if (result < 0) {
        readFailed_ = true;
    }
    return result;
}

ConfigDialog::ConfigDialog(ui::Toolkit& toolkit, KeyAccess& keys)
    : Dialog(toolkit, resources::kConfigDialogTemplate),
      keys_(keys),
      watch_(keys),
      aboutPage_(toolkit, watch_),
      controlPage_(toolkit, watch_),
      outputFormatPage_(toolkit, watch_),
      outputModePage_(toolkit, watch_),
      symbologyPage_(toolkit, watch_) {}

// Tab index to page; also the order in which the pages are created and read their keys.
SettingsPage& ConfigDialog::PageAt(int index) {
    switch (index) {
        case 0:
            return symbologyPage_;
        case 1:
            return outputModePage_;
        case 2:
            return outputFormatPage_;
        case 3:
            return controlPage_;
        default:
            return aboutPage_;
    }
}

bool ConfigDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    for (int index = 0; index < kPageCount; ++index) {
        TabInsert(id::kTabs, index, catalogue::kPageCaptions[static_cast<size_t>(index)]);
    }
    for (int index = 0; index < kPageCount; ++index) {
        // A page that could not be made read nothing, and Save would overwrite its keys
        // with empty controls: warn as for a failed read.
        if (!PageAt(index).CreateAsChild(*this, id::kTabs)) {
            watch_.NoteFailure();
        }
    }
    // The tab control says where its pages go: its row of tabs grows with the font and the
    // DPI, so no fixed offset keeps the pages off the captions.
    const ui::Rect area = TabDisplayArea(id::kTabs);
    for (int index = 0; index < kPageCount; ++index) {
        PageAt(index).MoveWindow(area);
    }
    ShowPage(0);
    TabSelect(id::kTabs, 0);

    BindCommand(id::kSaveButton, [this] { OnSave(); });
    BindCommand(id::kExitButton, [this] { EndDialog(ui::kResultCancel); });
    BindCommand(id::kExportButton, [this] { OnExport(); });
    BindCommand(id::kImportButton, [this] { OnImport(); });
    return true;
}

void ConfigDialog::OnShown() {
    if (watch_.ReadFailed()) {
        MessageBox(kReadFailedMessage, GetToolkit().ApplicationName(), ui::kMessageOk);
    }
}

void ConfigDialog::OnTabChanged(int tabId) {
    if (tabId == id::kTabs) {
        ShowPage(TabSelection(id::kTabs));
    }
}

void ConfigDialog::ShowPage(int index) {
    for (int page = 0; page < kPageCount; ++page) {
        PageAt(page).ShowWindow(page == index);
    }
}

bool ConfigDialog::FieldsCanBeSent() {
    // By tab index, as PageAt places the pages.
    const std::pair<int, std::string> problems[] = {
        {1, outputModePage_.CheckFields()},
        {2, outputFormatPage_.CheckFields()},
        {3, controlPage_.CheckFields()},
        {4, aboutPage_.CheckFields()},
    };
    for (const auto& [tab, problem] : problems) {
        if (!problem.empty()) {
            TabSelect(id::kTabs, tab);
            ShowPage(tab);
            MessageBox(problem, GetToolkit().ApplicationName(), ui::kMessageIconWarning);
            return false;
        }
    }
    return true;
}

PageSettings ConfigDialog::CurrentSettings() const {
    PageSettings settings{{}, outputModePage_.Routes()};
    for (const SettingsPage* page : std::initializer_list<const SettingsPage*>{
             &symbologyPage_, &outputModePage_, &outputFormatPage_, &controlPage_, &aboutPage_}) {
        settings.values.merge(page->Current());
    }
    return settings;
}

void ConfigDialog::OnSave() {
    // A field that cannot be sent whole stops the Save before anything is written.
    if (!FieldsCanBeSent()) {
        return;
    }
    // A key the reader refuses (an older firmware may lack it) does not stop the rest.
    // A reader that does not answer at all is gone: nothing more is written and nothing
    // stored, so its saved configuration stays as it was.
    bool allWritten = true;
    bool readerGone = false;
    const auto write = [&](std::string_view name, std::string_view text) {
        if (readerGone) {
            return;
        }
        const int result = keys_.WriteKey(name, text);
        allWritten = allWritten && result == kCommandOk;
        readerGone = result == kExchangeWriteFailed || result == kExchangeNoReply;
    };

    for (const KeyWrite& each : SaveWrites(CurrentSettings())) {
        write(each.key, each.value);
    }

    const bool stored = !readerGone && keys_.StoreKeys() == 0;
    MessageBox(allWritten && stored ? kSaveSucceededMessage : kSaveFailedMessage,
               GetToolkit().ApplicationName(), ui::kMessageOk);
}

}  // namespace kd
