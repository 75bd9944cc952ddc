#pragma once

#include <string>
#include <vector>

#include "ui/toolkit.h"
#include "ui/win32/theme_library.h"

namespace kd::ui::win32 {

struct WindowStart;

// The Windows back end: dialog windows built in memory from the templates, message
// boxes and cursors. instance is the program's HINSTANCE, handed over as a plain
// pointer so that this header needs no Windows headers; the dialogs' icons come from
// that module's resources.
class Win32Toolkit final : public Toolkit {
  public:
    explicit Win32Toolkit(void* instance);
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    // Returns -1 when the window could not be made, or when the dialog already has one.
    int RunModal(Dialog& dialog, Dialog* owner) override;
    bool CreateChild(Dialog& page, Dialog& parent, int hostId) override;
    int MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                   uint32_t flags) override;
    std::optional<std::string> ChooseFile(Dialog* owner, const FileDialogRequest& request) override;
    // Runs the messages waiting for any window, the newest modal dialog's keys as its
    // own dialog loop would.
    void ProcessEvents() override;
    // At once: a button lets go of the mouse before it tells its window of the click.
    void RunSoon(std::function<void()> work) override { work(); }
    bool ShowModeless(Dialog& dialog, Dialog& owner) override;
    bool CopyToClipboard(std::string_view text) override;
    void SetCursor(Cursor cursor) override;
    std::string ApplicationName() const override;

  private:
    // The window a dialog run without an owner belongs to: the newest modal window still
    // running that takes input (null: none).
    void* ActiveModalWindow() const;

    void* instance_;
    ThemeLibrary theme_;
    std::vector<const WindowStart*> running_;  // modal runs in progress, oldest first
    void* keyHook_ = nullptr;  // hands the keys of modeless windows to the dialog manager
};

}  // namespace kd::ui::win32
