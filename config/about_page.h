#pragma once

#include <string>

#include "config/settings_page.h"
#include "config/text_fields.h"
#include "protocol/key_access.h"

namespace kd {

// Tab "关于": the reader's version and its device number, which the user may change.
class AboutPage final : public SettingsPage {
  public:
    AboutPage(ui::Toolkit& toolkit, KeyAccess& keys);

    // The keys the reader sets itself, as read.
    std::string Version() const;
    std::string FactoryTime() const;
    // Why a field Save would send cannot be sent, naming it; empty when all can.
    std::string CheckFields() const;

    void Fill(const KeyValues& values) override;

  protected:
    bool OnInitDialog() override;
};

}  // namespace kd
