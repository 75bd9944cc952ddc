#pragma once

#include "config/settings_page.h"
#include "protocol/key_access.h"

namespace kd {

// Tab "码制设置": which code types the reader decodes.
class SymbologyPage final : public SettingsPage {
  public:
    SymbologyPage(ui::Toolkit& toolkit, KeyAccess& keys);

    void Fill(const KeyValues& values) override;

  protected:
    bool OnInitDialog() override;
};

}  // namespace kd
