#pragma once

#include <set>
#include <string>
#include <string_view>

#include "catalogue/key_table.h"
#include "config/about_page.h"
#include "config/control_page.h"
#include "config/output_format_page.h"
#include "config/output_mode_page.h"
#include "config/save_writes.h"
#include "config/symbology_page.h"
#include "protocol/key_access.h"
#include "ui/dialog.h"

namespace kd {

// What the technician is told after the dialog opened with settings it could not read,
// and after a Save that did not reach the reader whole.
inline constexpr std::string_view kReadFailedMessage =
    "部分配置读取失败，保存将覆盖未能读取的设置，请检查设备连接后重新打开!";
inline constexpr std::string_view kSaveSucceededMessage = "保存成功!";
inline constexpr std::string_view kSaveFailedMessage = "保存失败，请检查设备连接后重试!";

// The settings dialog: five pages in a tab control, loaded from the reader when it
// opens; 保存 writes them back and stores them, 退出 drops every change. 导出配置… writes
// what the pages show (unsaved edits too) to a profile, as Save would send it; 导入配置…
// fills the pages from a profile and sends nothing until 保存.
class ConfigDialog final : public ui::Dialog {
  public:
    ConfigDialog(ui::Toolkit& toolkit, KeyAccess& keys);

  protected:
    bool OnInitDialog() override;
    void OnShown() override;
    // Enter must not close the dialog and drop the technician's edits.
    void OnOK() override {}
    void OnTabChanged(int tabId) override;

  private:
    // Passes every call on and remembers which keys the pages read and whether a read
    // failed.
    class ReadWatch final : public KeyAccess {
      public:
        explicit ReadWatch(KeyAccess& keys) : keys_(keys) {}
        int ReadKey(std::string_view name, std::string& value) override;
        int WriteKey(std::string_view name, std::string_view value) override {
            return keys_.WriteKey(name, value);
        }
        int StoreKeys() override { return keys_.StoreKeys(); }
        bool ReadFailed() const { return readFailed_; }
        const std::set<std::string, std::less<>>& ReadNames() const { return readNames_; }
        void NoteFailure() { readFailed_ = true; }

      private:
        KeyAccess& keys_;
        bool readFailed_ = false;
        std::set<std::string, std::less<>> readNames_;
    };

    void OnSave();
    void OnExport();
    void OnImport();
    // Fills the pages from the profile's values, or leaves them exactly as they were and
    // says why not.
    bool FillPages(const KeyValues& values, std::string& problem);
    PageSettings CurrentSettings() const;
    // Shows the first field whose text cannot be sent, with a message naming it.
    bool FieldsCanBeSent();
    void ShowPage(int index);
    static constexpr int kPageCount = static_cast<int>(catalogue::kPageCaptions.size());
    SettingsPage& PageAt(int index);

    KeyAccess& keys_;
    ReadWatch watch_;
    AboutPage aboutPage_;
    ControlPage controlPage_;
    OutputFormatPage outputFormatPage_;
    OutputModePage outputModePage_;
    SymbologyPage symbologyPage_;
};

}  // namespace kd
