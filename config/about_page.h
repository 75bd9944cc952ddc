#pragma once

#include <string>

#include "config/text_fields.h"
#include "protocol/key_access.h"
#include "ui/dialog.h"

namespace kd {

// Tab "关于": the reader's version and its device number, which the user may change.
class AboutPage final : public ui::Dialog {
  public:
    AboutPage(ui::Toolkit& toolkit, KeyAccess& keys);

    // The 设备号 field as Save writes it.
    std::string DeviceNumber() const;
    // Why a field Save would send cannot be sent, naming it; empty when all can.
    std::string CheckFields() const;

  protected:
    bool OnInitDialog() override;

  private:
    KeyAccess& keys_;
    pages::TextFields fields_;
};

}  // namespace kd
