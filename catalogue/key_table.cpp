#include "catalogue/key_table.h"

#include <algorithm>

#include "catalogue/key_catalogue.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"
#include "text/closest_word.h"

namespace kd::catalogue {

namespace {

namespace mode = ids::output_mode_page;
namespace format = ids::output_format_page;
namespace control = ids::control_page;
namespace about = ids::about_page;

constexpr std::string_view kFlags[] = {value::kOff, value::kOn};
// The route, and the companions written with it, in the order of the route's boxes.
constexpr std::string_view kRoutes[] = {value::kComOutput, value::kUsbOutput};
constexpr std::string_view kRouteInits[] = {value::kComInits, value::kUsbInits};
constexpr std::string_view kRouteMonitors[] = {value::kComMonitors, value::kUsbMonitors};
constexpr std::string_view kNfcContentOrders[] = {value::kNfcContentOrder};
constexpr std::string_view kNfcSerials[] = {value::kNfcSerial};
constexpr std::string_view kCom0DevNames[] = {value::kCom0DevName};

template <typename Item, size_t N, typename Field>
constexpr std::array<std::string_view, N> Column(const std::array<Item, N>& items, Field field) {
    std::array<std::string_view, N> column{};
    for (size_t i = 0; i < N; ++i) {
        column[i] = items[i].*field;
    }
    return column;
}
constexpr auto kRebootLiterals = Column(kRebootLights, &RebootLight::literal);
constexpr auto kDevelopCtrls = Column(kDevelopModes, &DevelopMode::developCtrl);
constexpr auto kScanModes = Column(kDevelopModes, &DevelopMode::scanMode);

// Every value the two line-end boxes can give.
std::vector<std::string> ContentOrders() {
    std::vector<std::string> values;
    for (const bool enter : {false, true}) {
        for (const bool wrap : {false, true}) {
            values.push_back(ContentOrderValue(enter, wrap));
        }
    }
    return values;
}

// Every value a beeper box and a red-flash box give under any reboot light.
std::vector<std::string> Hints() {
    std::vector<std::string> values;
    for (const RebootLight& light : kRebootLights) {
        for (const bool beeper : {false, true}) {
            for (const bool redFlash : {false, true}) {
                std::string hint = HintValue(light, beeper, redFlash);
                if (std::find(values.begin(), values.end(), hint) == values.end()) {
                    values.push_back(std::move(hint));
                }
            }
        }
    }
    return values;
}

constexpr int kQrCodeBox[] = {ids::symbology_page::kQrCode};
constexpr int kDmCodeBox[] = {ids::symbology_page::kDmCode};
constexpr int kBarcodeBox[] = {ids::symbology_page::kBarcode};
constexpr int kPdf417Box[] = {ids::symbology_page::kPdf417};
constexpr int kRouteBoxes[] = {mode::kComOutput, mode::kUsbOutput};
constexpr int kBaudRateList[] = {mode::kBaudRate};
constexpr int kStopBitsList[] = {mode::kStopBits};
constexpr int kByteSizeList[] = {mode::kByteSize};
constexpr int kParityList[] = {mode::kParity};
constexpr int kLineEndBoxes[] = {format::kEnter, format::kWrap};
constexpr int kCodePrefixField[] = {format::kCodePrefixField};
constexpr int kCodePostfixField[] = {format::kCodePostfixField};
constexpr int kNfcPrefixField[] = {format::kNfcPrefixField};
constexpr int kNfcPostfixField[] = {format::kNfcPostfixField};
constexpr int kNfcPrefixBox[] = {format::kNfcPrefixBox};
constexpr int kCodeHintBoxes[] = {control::kCodeBeeper, control::kCodeRedFlash};
constexpr int kNfcHintBoxes[] = {control::kNfcBeeper, control::kNfcRedFlash};
constexpr int kIntervalField[] = {control::kIntervalTime};
constexpr int kNfcBeginField[] = {control::kNfcContentBegin};
constexpr int kNfcEndField[] = {control::kNfcContentEnd};
constexpr int kNfcSwitch[] = {control::kNfcSwitch};
constexpr int kVersionField[] = {about::kVersion};
constexpr int kDeviceNumberField[] = {about::kDeviceNumber};
constexpr int kFactoryTimeField[] = {about::kFactoryTime};

using enum ControlKind;
using enum Access;
using enum Page;

const KeyInfo kKeys[] = {
    {key::kQrCode, Symbology, CheckBox, kQrCodeBox, kFlags, nullptr, ReadWrite},
    {key::kDmCode, Symbology, CheckBox, kDmCodeBox, kFlags, nullptr, ReadWrite},
    {key::kOneCode, Symbology, CheckBox, kBarcodeBox, kFlags, nullptr, ReadWrite},
    {key::kPdf417Code, Symbology, CheckBox, kPdf417Box, kFlags, nullptr, ReadWrite},

    {key::kIoOutputs, OutputMode, CheckBox, kRouteBoxes, kRoutes, nullptr, ReadWrite},
    {key::kBaudRate, OutputMode, ComboBox, kBaudRateList, resources::kBaudRateEntries, nullptr,
     ReadWrite},
    {key::kStopBits, OutputMode, ComboBox, kStopBitsList, resources::kStopBitsEntries, nullptr,
     ReadWrite},
    {key::kByteSizes, OutputMode, ComboBox, kByteSizeList, resources::kByteSizeEntries, nullptr,
     ReadWrite},
    {key::kParitys, OutputMode, ComboBox, kParityList, resources::kParityEntries, nullptr,
     ReadWrite},

    {key::kContentOrder, OutputFormat, CheckBox, kLineEndBoxes, {}, ContentOrders, ReadWrite},
    {key::kCodePrefix, OutputFormat, TextField, kCodePrefixField, {}, nullptr, ReadWrite},
    {key::kCodePostfix, OutputFormat, TextField, kCodePostfixField, {}, nullptr, ReadWrite},
    {key::kNfcPrefix, OutputFormat, TextField, kNfcPrefixField, {}, nullptr, ReadWrite},
    {key::kNfcPostfix, OutputFormat, TextField, kNfcPostfixField, {}, nullptr, ReadWrite},
    {key::kCodePrePostFormat, OutputFormat, RadioGroup, format::kCodePrePostRow, kPrePostFormats,
     nullptr, ReadWrite},
    {key::kNfcPrePostFormat, OutputFormat, RadioGroup, format::kNfcPrePostRow, kPrePostFormats,
     nullptr, ReadWrite},
    {key::kNfcReadMethod, OutputFormat, RadioGroup, format::kNfcReadRow, kNfcReadMethods, nullptr,
     ReadWrite},

    {key::kCodeHint, Control, CheckBox, kCodeHintBoxes, {}, Hints, ReadWrite},
    {key::kRebootHint, Control, RadioGroup, control::kRebootRow, kRebootLiterals, nullptr,
     ReadWrite},
    {key::kNfcHint, Control, CheckBox, kNfcHintBoxes, {}, Hints, ReadWrite},
    {key::kWorkMode, Control, RadioGroup, control::kWorkModeRow, kWorkModes, nullptr, ReadWrite},
    {key::kIntervalTime, Control, TextField, kIntervalField, {}, nullptr, ReadWrite},
    {key::kNfcContentBegin, Control, TextField, kNfcBeginField, {}, nullptr, ReadWrite},
    {key::kNfcContentEnd, Control, TextField, kNfcEndField, {}, nullptr, ReadWrite},
    {key::kNfcAble, Control, CheckBox, kNfcSwitch, kFlags, nullptr, ReadWrite},
    {key::kNfcContentFormat, Control, RadioGroup, control::kNfcFormatRow, kContentFormats, nullptr,
     ReadWrite},
    {key::kCodeContentFormat, Control, RadioGroup, control::kCodeFormatRow, kContentFormats,
     nullptr, ReadWrite},
    {key::kContentFormat, Control, RadioGroup, control::kContentFormatRow, kContentFormats, nullptr,
     ReadWrite},
    {key::kDevelopCtrl, Control, RadioGroup, control::kDevelopRow, kDevelopCtrls, nullptr,
     ReadWrite},
    {key::kScanMode, Control, RadioGroup, control::kDevelopRow, kScanModes, nullptr, ReadWrite},

    {key::kMasterVer, About, TextField, kVersionField, {}, nullptr, ReadOnly},
    {key::kDeviceNo, About, TextField, kDeviceNumberField, {}, nullptr, ReadWrite},
    {key::kHistoryTime, About, TextField, kFactoryTimeField, {}, nullptr, ReadOnly},

    // Written with the route or the NFC settings, never read.
    {key::kIoInits, OutputMode, CheckBox, kRouteBoxes, kRouteInits, nullptr, WriteOnly},
    {key::kIoMonitors, OutputMode, CheckBox, kRouteBoxes, kRouteMonitors, nullptr, WriteOnly},
    {key::kNfcContentOrder, OutputFormat, CheckBox, kNfcPrefixBox, kNfcContentOrders, nullptr,
     WriteOnly},
    {key::kNfcSerial, Control, CheckBox, kNfcSwitch, kNfcSerials, nullptr, WriteOnly},
    {key::kCom0DevName, Control, CheckBox, kNfcSwitch, kCom0DevNames, nullptr, WriteOnly},
};

const ui::DialogTemplate& PageTemplate(Page page) {
    switch (page) {
        case Symbology:
            return resources::kSymbologyPageTemplate;
        case OutputMode:
            return resources::kOutputModePageTemplate;
        case OutputFormat:
            return resources::kOutputFormatPageTemplate;
        case Control:
            return resources::kControlPageTemplate;
        case About:
            break;
    }
    return resources::kAboutPageTemplate;
}

}  // namespace

std::span<const KeyInfo> Keys() {
    return kKeys;
}

const KeyInfo* FindKey(std::string_view name) {
    for (const KeyInfo& key : kKeys) {
        if (key.name == name) {
            return &key;
        }
    }
    return nullptr;
}

std::string SimilarKeyHint(std::string_view name) {
    std::vector<std::string_view> names;
    for (const KeyInfo& key : kKeys) {
        names.push_back(key.name);
    }
    const auto near = text::ClosestWord(name, names);
    return near && *near != name ? "; did you mean " + std::string(*near) + "?" : std::string();
}

std::string_view PageCaption(Page page) {
    return kPageCaptions[static_cast<size_t>(page)];
}

std::string_view KindName(ControlKind kind) {
    switch (kind) {
        case CheckBox:
            return "check box";
        case RadioGroup:
            return "radio group";
        case TextField:
            return "text field";
        case ComboBox:
            break;
    }
    return "combo box";
}

std::string_view AccessName(Access access) {
    switch (access) {
        case ReadOnly:
            return "read-only";
        case WriteOnly:
            return "write-only";
        case ReadWrite:
            break;
    }
    return "read-write";
}

std::string_view ControlCaption(Page page, int controlId) {
    const std::span<const ui::ControlTemplate> controls = PageTemplate(page).controls;
    std::string_view caption;
    for (const ui::ControlTemplate& control : controls) {
        if (control.id == controlId) {
            return control.text.empty() ? caption : control.text;
        }
        if (!control.text.empty()) {
            caption = control.text;
        }
    }
    return {};
}

std::string_view GroupCaption(Page page, int firstButtonId) {
    std::string_view caption;
    for (const ui::ControlTemplate& control : PageTemplate(page).controls) {
        if (control.id == firstButtonId) {
            return caption;
        }
        const bool label =
            control.kind == ui::ControlKind::Static || control.kind == ui::ControlKind::GroupBox;
        if (label && !control.text.empty()) {
            caption = control.text;
        }
    }
    return {};
}

std::optional<std::vector<std::string>> AllowedValues(const KeyInfo& key) {
    if (key.kind == ComboBox) {
        return std::nullopt;
    }
    if (key.composed != nullptr) {
        return key.composed();
    }
    if (key.literals.empty()) {
        return std::nullopt;
    }
    return std::vector<std::string>(key.literals.begin(), key.literals.end());
}

std::span<const std::string_view> Suggestions(const KeyInfo& key) {
    if (key.kind != ComboBox) {
        return {};
    }
    return key.literals;
}

std::optional<ValueProblem> CheckValue(const KeyInfo& key, std::string_view value) {
    if (value.size() > WriteLimit(key.name)) {
        return ValueProblem::TooLong;
    }
    const auto allowed = AllowedValues(key);
    if (allowed && std::find(allowed->begin(), allowed->end(), value) == allowed->end()) {
        return ValueProblem::NotAllowed;
    }
    return std::nullopt;
}

bool IsReadOnly(std::string_view name) {
    const KeyInfo* key = FindKey(name);
    return key != nullptr && key->access == ReadOnly;
}

bool IsWriteOnly(std::string_view name) {
    const KeyInfo* key = FindKey(name);
    return key != nullptr && key->access == WriteOnly;
}

bool SetsAnyKey(const profile::Profile& profile) {
    return std::any_of(profile.entries.begin(), profile.entries.end(),
                       [](const profile::Entry& entry) { return !IsReadOnly(entry.key); });
}

}  // namespace kd::catalogue
