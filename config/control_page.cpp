#include "config/control_page.h"

#include <utility>

#include "config/page_support.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::control_page;
namespace key = catalogue::key;
namespace value = catalogue::value;
using catalogue::Contains;
using catalogue::MatchChoice;
using pages::SelectInRow;

namespace {

// The text fields and their keys.
constexpr std::pair<int, std::string_view> kFields[] = {
    {id::kIntervalTime, key::kIntervalTime},
    {id::kNfcContentBegin, key::kNfcContentBegin},
    {id::kNfcContentEnd, key::kNfcContentEnd},
};

}  // namespace

ControlPage::ControlPage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kControlPageTemplate, catalogue::Page::Control, keys) {}

bool ControlPage::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const auto& [field, name] : kFields) {
        pages::LimitToKey(*this, field, name);
    }
    Fill(ReadKeys());
    return true;
}

// The NFC format only means something with the NFC reader on; it is not even read
// otherwise.
bool ControlPage::Reads(std::string_view name, const KeyValues& read) const {
    if (name != key::kNfcContentFormat) {
        return true;
    }
    const std::string* nfcAble = FindValue(read, key::kNfcAble);
    return nfcAble != nullptr && catalogue::FlagIsOn(*nfcAble);
}

void ControlPage::Fill(const KeyValues& values) {
    const auto hint = [&](std::string_view name, int beeper, int redFlash) {
        if (const std::string* value = FindValue(values, name)) {
            SetChecked(beeper, Contains(*value, value::kBeeperToken));
            SetChecked(redFlash, Contains(*value, value::kRedFlashToken));
        }
    };
    hint(key::kCodeHint, id::kCodeBeeper, id::kCodeRedFlash);
    hint(key::kNfcHint, id::kNfcBeeper, id::kNfcRedFlash);
    if (const std::string* value = FindValue(values, key::kRebootHint)) {
        SelectInRow(*this, id::kRebootRow, catalogue::MatchRebootLight(*value));
    }
    const auto select = [&](std::span<const int> row, std::string_view name,
                            std::span<const std::string_view> literals) {
        if (const std::string* value = FindValue(values, name)) {
            SelectInRow(*this, row, MatchChoice(literals, *value));
        }
    };
    select(id::kWorkModeRow, key::kWorkMode, catalogue::kWorkModes);
    select(id::kNfcFormatRow, key::kNfcContentFormat, catalogue::kContentFormats);
    select(id::kCodeFormatRow, key::kCodeContentFormat, catalogue::kContentFormats);
    select(id::kContentFormatRow, key::kContentFormat, catalogue::kContentFormats);
    for (const auto& [field, name] : kFields) {
        if (const std::string* value = FindValue(values, name)) {
            fields_.Show(*this, field, *value);
        }
    }
    if (const std::string* value = FindValue(values, key::kNfcAble)) {
        SetChecked(id::kNfcSwitch, catalogue::FlagIsOn(*value));
    }
    FillDevelopMode(values);
}

// The two keys name one button together; a profile with one of them keeps the other as
// the page shows it.
void ControlPage::FillDevelopMode(const KeyValues& values) {
    const std::string* developCtrl = FindValue(values, key::kDevelopCtrl);
    const std::string* scanMode = FindValue(values, key::kScanMode);
    if (developCtrl == nullptr && scanMode == nullptr) {
        return;
    }
    const std::optional<catalogue::DevelopMode> shown = Current().developMode;
    const std::string_view ctrl = developCtrl != nullptr ? *developCtrl
                                  : shown                ? shown->developCtrl
                                                         : std::string_view();
    const std::string_view scan = scanMode != nullptr ? *scanMode
                                  : shown             ? shown->scanMode
                                                      : std::string_view();
    SelectInRow(*this, id::kDevelopRow, catalogue::MatchDevelopMode(ctrl, scan));
}

ControlPage::Settings ControlPage::Current() const {
    Settings settings;
    settings.codeBeeper = IsChecked(id::kCodeBeeper);
    settings.codeRedFlash = IsChecked(id::kCodeRedFlash);
    settings.nfcBeeper = IsChecked(id::kNfcBeeper);
    settings.nfcRedFlash = IsChecked(id::kNfcRedFlash);
    if (const int light = pages::SelectedInRow(*this, id::kRebootRow); light >= 0) {
        settings.rebootLight = catalogue::kRebootLights[static_cast<size_t>(light)];
    }
    settings.workMode = pages::SelectedLiteral(*this, id::kWorkModeRow, catalogue::kWorkModes);
    settings.intervalTime = fields_.Sent(*this, id::kIntervalTime);
    settings.nfcOn = IsChecked(id::kNfcSwitch);
    settings.nfcContentBegin = fields_.Sent(*this, id::kNfcContentBegin);
    settings.nfcContentEnd = fields_.Sent(*this, id::kNfcContentEnd);
    settings.nfcContentFormat =
        pages::SelectedLiteral(*this, id::kNfcFormatRow, catalogue::kContentFormats);
    settings.codeContentFormat =
        pages::SelectedLiteral(*this, id::kCodeFormatRow, catalogue::kContentFormats);
    settings.contentFormat =
        pages::SelectedLiteral(*this, id::kContentFormatRow, catalogue::kContentFormats);
    if (const int mode = pages::SelectedInRow(*this, id::kDevelopRow); mode >= 0) {
        settings.developMode = catalogue::kDevelopModes[static_cast<size_t>(mode)];
    }
    return settings;
}

std::string ControlPage::CheckFields() const {
    for (const auto& [field, name] : kFields) {
        if (std::string problem = fields_.Problem(*this, field, name); !problem.empty()) {
            return problem;
        }
    }
    return {};
}

}  // namespace kd
