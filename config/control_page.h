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

    // The page as Save reads it; a choice is absent when no button of its row is selected
    // (or, in a format row, when "dec2" or "dec3" is).
    struct Settings {
        bool codeBeeper = false;
        bool codeRedFlash = false;
        bool nfcBeeper = false;
        bool nfcRedFlash = false;
        std::optional<catalogue::RebootLight> rebootLight;
        std::optional<std::string_view> workMode;
        std::string intervalTime;
        bool nfcOn = false;
        std::string nfcContentBegin;
        std::string nfcContentEnd;
        std::optional<std::string_view> nfcContentFormat;
        std::optional<std::string_view> codeContentFormat;
        std::optional<std::string_view> contentFormat;
        std::optional<catalogue::DevelopMode> developMode;
    };
    Settings Current() const;
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
