#include "config/about_page.h"

#include "catalogue/key_catalogue.h"
#include "config/page_support.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::about_page;
namespace key = catalogue::key;
using pages::ReadValue;

AboutPage::AboutPage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kAboutPageTemplate, keys) {}

bool AboutPage::OnInitDialog() {
    Dialog::OnInitDialog();
    pages::LimitToKey(*this, id::kVersion, key::kMasterVer);
    pages::LimitToKey(*this, id::kDeviceNumber, key::kDeviceNo);
    pages::LimitToKey(*this, id::kFactoryTime, key::kHistoryTime);

    const std::string version = ReadValue(keys_, key::kMasterVer);
    const std::string deviceNumber = ReadValue(keys_, key::kDeviceNo);
    const std::string factoryTime = ReadValue(keys_, key::kHistoryTime);
    fields_.Show(*this, id::kVersion, version);
    fields_.Show(*this, id::kDeviceNumber, deviceNumber);
    fields_.Show(*this, id::kFactoryTime, factoryTime);
    return true;
}

void AboutPage::Fill(const KeyValues& values) {
    // The version and the factory time are the reader's own: they stay as read.
    if (const std::string* value = FindValue(values, key::kDeviceNo)) {
        fields_.Show(*this, id::kDeviceNumber, *value);
    }
}

std::string AboutPage::Version() const {
    return fields_.Sent(*this, id::kVersion);
}

std::string AboutPage::FactoryTime() const {
    return fields_.Sent(*this, id::kFactoryTime);
}

std::string AboutPage::DeviceNumber() const {
    return fields_.Sent(*this, id::kDeviceNumber);
}

std::string AboutPage::CheckFields() const {
    return fields_.Problem(*this, id::kDeviceNumber, key::kDeviceNo);
}

}  // namespace kd
