#include "config/symbology_page.h"

#include "catalogue/key_catalogue.h"
#include "config/page_support.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::symbology_page;
namespace key = catalogue::key;
using catalogue::FlagIsOn;

SymbologyPage::SymbologyPage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kSymbologyPageTemplate, catalogue::Page::Symbology, keys) {}

bool SymbologyPage::OnInitDialog() {
    Dialog::OnInitDialog();
    Fill(ReadKeys());
    return true;
}

void SymbologyPage::Fill(const KeyValues& values) {
    for (const auto& [box, name] :
         {std::pair{id::kQrCode, key::kQrCode}, std::pair{id::kDmCode, key::kDmCode},
          std::pair{id::kBarcode, key::kOneCode}, std::pair{id::kPdf417, key::kPdf417Code}}) {
        if (const std::string* value = FindValue(values, name)) {
            SetChecked(box, FlagIsOn(*value));
        }
    }
}

}  // namespace kd
