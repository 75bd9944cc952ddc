// The window conformance checks on the headless back end.
#include <memory>

#include "tests/support/window_conformance_gtest.h"
#include "ui/headless/headless_toolkit.h"

namespace kd::test {
namespace {

using ui::headless::HeadlessWindow;

HeadlessWindow& WindowOf(ui::Dialog& dialog) {
    return *static_cast<HeadlessWindow*>(dialog.Peer());
}

class HeadlessBackEnd final : public conformance::GTestBackEnd {
  public:
    ui::Toolkit& Toolkit() override { return toolkit_; }
    void Click(ui::Dialog& dialog, int id) override { WindowOf(dialog).Click(id); }
    void PickTab(ui::Dialog& dialog, int tabId, int index) override {
        WindowOf(dialog).PickTab(tabId, index);
    }
    void PickMenuEntry(ui::Dialog& dialog, const std::string& text) override {
        HeadlessWindow& window = WindowOf(dialog);
        for (const auto& [entry, command] : window.SystemMenuEntries()) {
            if (entry == text) {
                window.SystemCommand(command);
                return;
            }
        }
    }
    // A page's window stays with its parent's; it is gone for the user once its dialog is.
    std::function<bool()> WindowWatch(ui::Dialog& dialog) override {
        return [window = &WindowOf(dialog)] { return window->GetDialog() != nullptr; };
    }

  private:
    ui::headless::HeadlessToolkit toolkit_;
};

std::unique_ptr<conformance::GTestBackEnd> MakeHeadlessBackEnd() {
    return std::make_unique<HeadlessBackEnd>();
}

KD_WINDOW_CONFORMANCE(HeadlessWindowConformance, MakeHeadlessBackEnd);

}  // namespace
}  // namespace kd::test
