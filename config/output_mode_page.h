#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "config/settings_page.h"
#include "config/text_fields.h"
#include "protocol/key_access.h"

namespace kd {

// Tab "输出方式": the route the reader sends its reads on, as loading found it, and the
// line settings of its serial route. Only the line settings can be edited.
class OutputModePage final : public SettingsPage {
  public:
    OutputModePage(ui::Toolkit& toolkit, KeyAccess& keys);

    // The routes whose boxes are checked, in the boxes' order; Save writes each.
    std::vector<std::string_view> Routes() const;
    // Why a field Save would send cannot be sent, naming it; empty when all can.
    std::string CheckFields() const;

    void Fill(const KeyValues& values) override;

  protected:
    bool OnInitDialog() override;
    bool Reads(std::string_view name, const KeyValues& read) const override;

  private:
    void ShowRoute(std::string_view route);
};

}  // namespace kd
