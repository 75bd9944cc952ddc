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

namespace {

struct AffixControls {
    int box;
    int field;
    std::string_view key;
};

constexpr AffixControls kAffixes[] = {
    {id::kCodePrefixBox, id::kCodePrefixField, key::kCodePrefix},
    {id::kCodePostfixBox, id::kCodePostfixField, key::kCodePostfix},
    {id::kNfcPrefixBox, id::kNfcPrefixField, key::kNfcPrefix},
    {id::kNfcPostfixBox, id::kNfcPostfixField, key::kNfcPostfix},
};

}  // namespace

OutputFormatPage::OutputFormatPage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kOutputFormatPageTemplate, catalogue::Page::OutputFormat,
                   keys) {}

bool OutputFormatPage::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const AffixControls& affix : kAffixes) {
        pages::LimitToKey(*this, affix.field, affix.key);
    }
    // A failed read gives the empty value, so its box stays unchecked.
    Fill(ReadKeys());
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
