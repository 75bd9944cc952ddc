#include "app/about_box.h"

#include <string>

#include "resources/ids.h"
#include "resources/main_window.h"
#include "resources/strings.h"

namespace kd {

AboutBox::AboutBox(ui::Toolkit& toolkit) : Dialog(toolkit, resources::kAboutBoxTemplate) {}

bool AboutBox::OnInitDialog() {
    Dialog::OnInitDialog();
    SetText(ids::kAboutVersionLine,
            std::string("更新工具 v") + std::string(strings::Load(ids::kToolVersionString)));
    return true;
}

}  // namespace kd
