#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "catalogue/key_catalogue.h"
#include "config/settings_page.h"
#include "config/text_fields.h"
#include "protocol/key_access.h"

namespace kd {

// Tab "控制设置": how the reader signals a read, its light after a restart, its work
// mode, its NFC reader, its output formats and its development mode.
class ControlPage final : public SettingsPage {
  public:
    ControlPage(ui::Toolkit& toolkit, KeyAccess& keys);

    // A choice is absent when no button of its row is selected (or, in a format row, when
    // "dec2" or "dec3" is); the hint keys are absent when no reboot light is.
    KeyValues Current() const override;
    // Why a field Save would send cannot be sent, naming it; empty when all can.
    std::string CheckFields() const;

    void Fill(const KeyValues& values) override;

  protected:
    bool OnInitDialog() override;
    bool Reads(std::string_view name, const KeyValues& read) const override;

  private:
    void FillDevelopMode(const KeyValues& values);
};

}  // namespace kd
