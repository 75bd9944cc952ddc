#include "config/about_page.h"

#include <utility>

#include "catalogue/key_catalogue.h"
#include "config/page_support.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::about_page;
namespace key = catalogue::key;

namespace {

constexpr std::pair<int, std::string_view> kFields[] = {
    {id::kVersion, key::kMasterVer},
    {id::kDeviceNumber, key::kDeviceNo},
    {id::kFactoryTime, key::kHistoryTime},
};

}  // namespace

AboutPage::AboutPage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kAboutPageTemplate, catalogue::Page::About, keys) {}

bool AboutPage::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const auto& [field, name] : kFields) {
        pages::LimitToKey(*this, field, name);
    }
    Fill(ReadKeys());
    return true;
}

void AboutPage::Fill(const KeyValues& values) {
    for (const auto& [field, name] : kFields) {
        if (const std::string* value = FindValue(values, name)) {
            fields_.Show(*this, field, *value);
        }
    }
}

std::string AboutPage::Version() const {
    return fields_.Sent(*this, id::kVersion);
}

std::string AboutPage::FactoryTime() const {
    return fields_.Sent(*this, id::kFactoryTime);
}

std::string AboutPage::CheckFields() const {
    return fields_.Problem(*this, id::kDeviceNumber, key::kDeviceNo);
}

}  // namespace kd
