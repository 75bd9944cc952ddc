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

// The enter box and the wrap box, as the key table has them.
std::span<const int> LineEndBoxes() {
    return catalogue::FindKey(key::kContentOrder)->controls;
}

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
        const std::span<const int> lineEnds = LineEndBoxes();
        SetChecked(lineEnds[0], Contains(*order, value::kEnterToken));
        SetChecked(lineEnds[1], Contains(*order, value::kWrapToken));
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

KeyValues OutputFormatPage::Current() const {
    KeyValues values = SettingsPage::Current();
    const std::span<const int> lineEnds = LineEndBoxes();
    values.insert_or_assign(
        std::string(key::kContentOrder),
        catalogue::ContentOrderValue(IsChecked(lineEnds[0]), IsChecked(lineEnds[1])));
    for (const AffixControls& affix : kAffixes) {
        values.insert_or_assign(std::string(affix.key), Affix(affix.box, affix.field));
    }
    return values;
}

}  // namespace kd
