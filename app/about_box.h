#pragma once

#include "ui/dialog.h"

namespace kd {

// The About box (100): the icon, "更新工具 v" with the tool's version, a copyright line
// and 确定.
class AboutBox final : public ui::Dialog {
  public:
    explicit AboutBox(ui::Toolkit& toolkit);

  protected:
    bool OnInitDialog() override;
};

}  // namespace kd
