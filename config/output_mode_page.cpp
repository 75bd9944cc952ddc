#include "config/output_mode_page.h"

#include "catalogue/key_catalogue.h"
#include "config/page_support.h"
#include "resources/config_ids.h"
#include "resources/config_pages.h"

namespace kd {

namespace id = ids::output_mode_page;
namespace key = catalogue::key;
namespace value = catalogue::value;
using catalogue::ExactMatch;

namespace {

struct LineSetting {
    int combo;
    int label;
    std::string_view key;
    std::span<const std::string_view> entries;
};

constexpr LineSetting kLineSettings[] = {
    {id::kBaudRate, id::kBaudRateLabel, key::kBaudRate, resources::kBaudRateEntries},
    {id::kStopBits, id::kStopBitsLabel, key::kStopBits, resources::kStopBitsEntries},
    {id::kByteSize, id::kByteSizeLabel, key::kByteSizes, resources::kByteSizeEntries},
    {id::kParity, id::kParityLabel, key::kParitys, resources::kParityEntries},
};

}  // namespace

OutputModePage::OutputModePage(ui::Toolkit& toolkit, KeyAccess& keys)
    : SettingsPage(toolkit, resources::kOutputModePageTemplate, catalogue::Page::OutputMode, keys) {
}

bool OutputModePage::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const LineSetting& setting : kLineSettings) {
        for (const std::string_view entry : setting.entries) {
            ComboAdd(setting.combo, entry);
        }
        pages::LimitToKey(*this, setting.combo, setting.key);
    }
    Fill(ReadKeys());
    return true;
}

// The line settings are read with the serial route only.
bool OutputModePage::Reads(std::string_view name, const KeyValues& read) const {
    if (name == key::kIoOutputs) {
        return true;
    }
    const std::string* route = FindValue(read, key::kIoOutputs);
    return route != nullptr && ExactMatch(*route, value::kComOutput);
}

// The serial route shows its line settings and hides the USB box, the USB route the
// other way round; a route the page does not know shows everything with nothing checked.
void OutputModePage::ShowRoute(std::string_view route) {
    const bool com = ExactMatch(route, value::kComOutput);
    const bool usb = ExactMatch(route, value::kUsbOutput);
    ShowControl(id::kComOutput, !usb);
    SetChecked(id::kComOutput, com);
    ShowControl(id::kUsbOutput, !com);
    SetChecked(id::kUsbOutput, usb);
    for (const LineSetting& setting : kLineSettings) {
        ShowControl(setting.label, !usb);
        ShowControl(setting.combo, !usb);
    }
}

void OutputModePage::Fill(const KeyValues& values) {
    if (const std::string* route = FindValue(values, key::kIoOutputs)) {
        ShowRoute(*route);
    }
    for (const LineSetting& setting : kLineSettings) {
        if (const std::string* value = FindValue(values, setting.key)) {
            fields_.Show(*this, setting.combo, *value);
        }
    }
}

std::vector<std::string_view> OutputModePage::Routes() const {
    const catalogue::KeyInfo& route = *catalogue::FindKey(key::kIoOutputs);
    std::vector<std::string_view> routes;
    for (size_t box = 0; box < route.controls.size(); ++box) {
        if (IsChecked(route.controls[box])) {
            routes.push_back(route.literals[box]);
        }
    }
    return routes;
}

std::string OutputModePage::CheckFields() const {
    // The line settings are written with the serial route only.
    if (!IsChecked(id::kComOutput)) {
        return {};
    }
    for (const LineSetting& setting : kLineSettings) {
        if (std::string problem = fields_.Problem(*this, setting.combo, setting.key);
            !problem.empty()) {
            return problem;
        }
    }
    return {};
}

}  // namespace kd
