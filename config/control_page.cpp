#include "config/control_page.h"

#include <algorithm>
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

// The hint keys and their boxes.
struct HintBoxes {
    std::string_view key;
    int beeper;
    int redFlash;
};
constexpr HintBoxes kHints[] = {
    {key::kCodeHint, id::kCodeBeeper, id::kCodeRedFlash},
    {key::kNfcHint, id::kNfcBeeper, id::kNfcRedFlash},
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
    for (const HintBoxes& hint : kHints) {
        if (const std::string* value = FindValue(values, hint.key)) {
            SetChecked(hint.beeper, Contains(*value, value::kBeeperToken));
            SetChecked(hint.redFlash, Contains(*value, value::kRedFlashToken));
        }
    }
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
    const KeyValues shown = Current();
    const std::string* shownCtrl = FindValue(shown, key::kDevelopCtrl);
    const std::string* shownScan = FindValue(shown, key::kScanMode);
    const std::string_view ctrl = developCtrl != nullptr ? *developCtrl
                                  : shownCtrl != nullptr ? *shownCtrl
                                                         : std::string_view();
    const std::string_view scan = scanMode != nullptr    ? *scanMode
                                  : shownScan != nullptr ? *shownScan
                                                         : std::string_view();
    SelectInRow(*this, id::kDevelopRow, catalogue::MatchDevelopMode(ctrl, scan));
}

KeyValues ControlPage::Current() const {
    KeyValues values = SettingsPage::Current();
    const std::string* reboot = FindValue(values, key::kRebootHint);
    if (reboot == nullptr) {
        return values;
    }
    const auto light =
        std::find_if(catalogue::kRebootLights.begin(), catalogue::kRebootLights.end(),
                     [&](const catalogue::RebootLight& each) { return each.literal == *reboot; });
    for (const HintBoxes& hint : kHints) {
        values.insert_or_assign(
            std::string(hint.key),
            catalogue::HintValue(*light, IsChecked(hint.beeper), IsChecked(hint.redFlash)));
    }
    return values;
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
