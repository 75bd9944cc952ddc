#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "config/settings_page.h"
#include "config/text_fields.h"
#include "protocol/key_access.h"

namespace kd {

// Tab "输出格式": line ends after the content, prefixes and suffixes for codes and for
// NFC cards with their formats, and how NFC cards are read.
class OutputFormatPage final : public SettingsPage {
  public:
    OutputFormatPage(ui::Toolkit& toolkit, KeyAccess& keys);

    // A prefix or suffix is its field's text when its box is checked and the empty value
    // when it is not.
    KeyValues Current() const override;
    // Why a field Save would send cannot be sent, naming it; empty when all can.
    std::string CheckFields() const;

    void Fill(const KeyValues& values) override;

  protected:
    bool OnInitDialog() override;

  private:
    std::string Affix(int box, int field) const;
};

}  // namespace kd
