#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "config/config_dialog.h"
#include "tests/ui/modelled_reader.h"
#include "ui/headless/headless_toolkit.h"

namespace kd::test {

// The settings dialog's pages by template id, and its tab control and buttons.
namespace settings {
inline constexpr int kAbout = 131, kSymbology = 132, kControl = 133, kFormat = 134, kMode = 135;
inline constexpr int kTabs = 1015, kSave = 1016, kExit = 1017;
}  // namespace settings

// The settings dialog on the headless back end, over a reader in memory.
class SettingsDialogTest : public ::testing::Test {
  protected:
    // A fresh dialog over the reader, as each opening is; the one before is closed.
    ui::headless::HeadlessWindow& Open() {
        if (window != nullptr) {
            toolkit.Close(*window);
        }
        dialog = std::make_unique<ConfigDialog>(toolkit, reader.access);
        window = &toolkit.Open(*dialog);
        return *window;
    }
    ui::headless::HeadlessWindow& Page(int templateId) {
        ui::headless::HeadlessWindow* page = toolkit.Find(templateId);
        if (page == nullptr) {
            throw std::logic_error("no page " + std::to_string(templateId));
        }
        return *page;
    }
    // The texts of the message boxes shown, each under the program's name.
    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const auto& message : toolkit.Messages()) {
            EXPECT_EQ(message.caption, "kdconfig");
            texts.push_back(message.text);
        }
        return texts;
    }

    ui::headless::HeadlessToolkit toolkit;
    ModelledReader reader;
    std::unique_ptr<ConfigDialog> dialog;
    ui::headless::HeadlessWindow* window = nullptr;
};

}  // namespace kd::test
