#include "config/output_format_page.h"

#include <array>

#include "catalogue/key_catalogue.h"
#include "config/page_support.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::output_format_page;
namespace key = catalogue::key;
namespace value = catalogue::value;
using catalogue::Contains;
using catalogue::MatchChoice;
using pages::ReadValue;

namespace {

struct AffixControls {
    int box;
    int field;
    std::string_view key;
};

// In the order loading reads them.
constexpr AffixControls kAffixes[] = {
    {id::kCodePrefixBox, id::kCodePrefixField, key::kCodePrefix},
    {id::kCodePostfixBox, id::kCodePostfixField, key::kCodePostfix},
    {id::kNfcPrefixBox, id::kNfcPrefixField, key::kNfcPrefix},
    {id::kNfcPostfixBox, id::kNfcPostfixField, key::kNfcPostfix},
};

}  // namespace

OutputFormatPage::OutputFormatPage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kOutputFormatPageTemplate, keys) {}

bool OutputFormatPage::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const AffixControls& affix : kAffixes) {
        pages::LimitToKey(*this, affix.field, affix.key);
    }

    const std::string order = ReadValue(keys_, key::kContentOrder);
    SetChecked(id::kEnter, Contains(order, value::kEnterToken));
    SetChecked(id::kWrap, Contains(order, value::kWrapToken));

    // ReadValue leaves a failed read empty, so its box stays unchecked.
    std::array<std::string, std::size(kAffixes)> affixValues;
    for (size_t i = 0; i < affixValues.size(); ++i) {
        affixValues[i] = ReadValue(keys_, kAffixes[i].key);
    }
    for (size_t i = 0; i < affixValues.size(); ++i) {
        if (catalogue::NonEmpty(affixValues[i])) {
            fields_.Show(*this, kAffixes[i].field, affixValues[i]);
            SetChecked(kAffixes[i].box, true);
        }
    }

    pages::SelectInRow(
        *this, id::kCodePrePostRow,
        MatchChoice(catalogue::kPrePostFormats, ReadValue(keys_, key::kCodePrePostFormat)));
    pages::SelectInRow(
        *this, id::kNfcPrePostRow,
        MatchChoice(catalogue::kPrePostFormats, ReadValue(keys_, key::kNfcPrePostFormat)));
    pages::SelectInRow(
        *this, id::kNfcReadRow,
        MatchChoice(catalogue::kNfcReadMethods, ReadValue(keys_, key::kNfcReadMethod)));
    return true;
}

void OutputFormatPage::Fill(const KeyValues& values) {
    if (const std::string* order = FindValue(values, key::kContentOrder)) {
        SetChecked(id::kEnter, Contains(*order, value::kEnterToken));
        SetChecked(id::kWrap, Contains(*order, value::kWrapToken));
    }
    for (const AffixControls& affix : kAffixes) {
        if (const std::string* value = FindValue(values, affix.key)) {
            fields_.Show(*this, affix.field, *value);
            SetChecked(affix.box, catalogue::NonEmpty(*value));
        }
    }
    const auto select = [&](std::span<const int> row, std::span<const std::string_view> literals,
                            std::string_view name) {
        if (const std::string* value = FindValue(values, name)) {
            pages::SelectInRow(*this, row, MatchChoice(literals, *value));
        }
    };
    select(id::kCodePrePostRow, catalogue::kPrePostFormats, key::kCodePrePostFormat);
    select(id::kNfcPrePostRow, catalogue::kPrePostFormats, key::kNfcPrePostFormat);
    select(id::kNfcReadRow, catalogue::kNfcReadMethods, key::kNfcReadMethod);
}

std::string OutputFormatPage::Affix(int box, int field) const {
    return IsChecked(box) ? fields_.Sent(*this, field) : std::string();
}

std::string OutputFormatPage::CheckFields() const {
    // An unchecked box writes the empty value, whatever its field holds.
    for (const AffixControls& affix : kAffixes) {
        if (!IsChecked(affix.box)) {
            continue;
        }
        if (std::string problem = fields_.Problem(*this, affix.field, affix.key);
            !problem.empty()) {
            return problem;
        }
    }
    return {};
}

OutputFormatPage::Settings OutputFormatPage::Current() const {
    Settings settings;
    settings.enter = IsChecked(id::kEnter);
    settings.wrap = IsChecked(id::kWrap);
    settings.codePrefix = Affix(id::kCodePrefixBox, id::kCodePrefixField);
    settings.codePostfix = Affix(id::kCodePostfixBox, id::kCodePostfixField);
    settings.nfcPrefixChecked = IsChecked(id::kNfcPrefixBox);
    settings.nfcPrefix = Affix(id::kNfcPrefixBox, id::kNfcPrefixField);
    settings.nfcPostfix = Affix(id::kNfcPostfixBox, id::kNfcPostfixField);
    settings.codePrePostFormat =
        pages::SelectedLiteral(*this, id::kCodePrePostRow, catalogue::kPrePostFormats);
    settings.nfcPrePostFormat =
        pages::SelectedLiteral(*this, id::kNfcPrePostRow, catalogue::kPrePostFormats);
    settings.nfcReadMethod =
        pages::SelectedLiteral(*this, id::kNfcReadRow, catalogue::kNfcReadMethods);
    return settings;
}

}  // namespace kd
