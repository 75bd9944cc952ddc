#pragma once

#include "protocol/key_access.h"
#include "ui/dialog.h"

namespace kd {

// Tab "码制设置": which code types the reader decodes.
class SymbologyPage final : public ui::Dialog {
  public:
    SymbologyPage(ui::Toolkit& toolkit, KeyAccess& keys);

    // The boxes as Save reads them.
    struct Settings {
        bool qrCode = false;
        bool dmCode = false;
        bool barcode = false;
        bool pdf417 = false;
    };
    Settings Current() const;

  protected:
    bool OnInitDialog() override;

  private:
    KeyAccess& keys_;
};

}  // namespace kd
