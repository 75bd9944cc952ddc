#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/headless/headless_window.h"
#include "ui/toolkit.h"

namespace kd::ui::headless {

// A message box as it was shown.
struct ShownMessage {
    std::string text;
    std::string caption;
    uint32_t flags = 0;
    int ownerTemplateId = 0;        // 0 without an owner
    Cursor cursor = Cursor::Arrow;  // the cursor while it was shown
};

// A file dialog as it was shown.
struct ShownFileDialog {
    FileDialogRequest request;
    int ownerTemplateId = 0;     // the owner's top-level window; 0 without one
    bool ownerDisabled = false;  // the owner's top-level window was disabled meanwhile
};

// The back end for tests: windows live in memory, modal runs play a script, message
// boxes are recorded and answered.
class HeadlessToolkit final : public Toolkit {
  public:
    HeadlessToolkit() = default;
    ~HeadlessToolkit() override;

    // What a user does while a modal dialog of this template runs. Without a script, or
    // when the script leaves it open, the dialog is closed as by its close box.
    void OnModal(int templateId, std::function<void(HeadlessWindow&)> script) {
        modalScripts_[templateId] = std::move(script);
    }
    // Answers message boxes; by default every box is acknowledged with OK.
    void OnMessage(std::function<int(const ShownMessage&)> answer) { answer_ = std::move(answer); }

    // What the user does while a long handler lets the windows take input (each
    // ProcessEvents call).
    void OnProcessEvents(std::function<void()> script) { eventScript_ = std::move(script); }
    int ProcessEventsCalls() const { return processEventsCalls_; }

    // Answers the next file dialog with this path, or with a cancel (nothing). Answers
    // are used in order; a file dialog with none left is cancelled.
    void QueueFileAnswer(std::optional<std::string> path) {
        fileAnswers_.push_back(std::move(path));
    }
    const std::vector<ShownFileDialog>& FileDialogs() const { return fileDialogs_; }
    size_t PendingFileAnswers() const { return fileAnswers_.size(); }

    // Creates a dialog's window without a modal run, for tests that drive a window
    // directly. It lives until Close or until the toolkit goes.
    HeadlessWindow& Open(Dialog& dialog);
    void Close(HeadlessWindow& window);

    // The innermost open window of this template, or null.
    HeadlessWindow* Find(int templateId) const;

    const std::string& Clipboard() const { return clipboard_; }
    const std::vector<ShownMessage>& Messages() const { return messages_; }
    void ClearMessages() { messages_.clear(); }
    Cursor CurrentCursor() const { return cursor_; }
    const std::vector<Cursor>& CursorHistory() const { return cursorHistory_; }
    const std::vector<int>& ModalRuns() const { return modalRuns_; }
    void SetApplicationName(std::string name) { applicationName_ = std::move(name); }
    // The screen's DPI for windows made from now on; their pixel sizes follow it.
    void SetDpi(int dpi) { dpi_ = dpi; }

    // Toolkit
    int RunModal(Dialog& dialog, Dialog* owner) override;
    bool CreateChild(Dialog& page, Dialog& parent, int hostId) override;
    int MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                   uint32_t flags) override;
    std::optional<std::string> ChooseFile(Dialog* owner, const FileDialogRequest& request) override;
    void ProcessEvents() override;
    // At once: nothing holds on to a click here.
    void RunSoon(std::function<void()> work) override { work(); }
    bool ShowModeless(Dialog& dialog, Dialog& owner) override;
    bool CopyToClipboard(std::string_view text) override {
        clipboard_ = text;
        return true;
    }
    void SetCursor(Cursor cursor) override;
    std::string ApplicationName() const override { return applicationName_; }

    // Called by a window when it goes.
    void Forget(HeadlessWindow* window);

  private:
    // Disables an owner for the time of a modal run or a message box, as Windows does,
    // and enables it again afterwards if it was enabled before and still exists.
    class OwnerDisabled {
      public:
        OwnerDisabled(HeadlessToolkit& toolkit, HeadlessWindow* owner);
        ~OwnerDisabled();
        OwnerDisabled(const OwnerDisabled&) = delete;
        OwnerDisabled& operator=(const OwnerDisabled&) = delete;

      private:
        HeadlessToolkit& toolkit_;
        HeadlessWindow* owner_;
    };

    std::unique_ptr<HeadlessWindow> Create(Dialog& dialog, HeadlessWindow* parent, int hostId);
    // The top-level window of the owner's; without one, the newest enabled top-level
    // window (the one the user works in); null when there is none.
    HeadlessWindow* OwnerWindow(const Dialog* owner, bool orActive) const;
    bool IsOpen(const HeadlessWindow* window) const;

    std::map<int, std::function<void(HeadlessWindow&)>> modalScripts_;
    std::function<int(const ShownMessage&)> answer_;
    std::function<void()> eventScript_;
    int processEventsCalls_ = 0;
    std::vector<HeadlessWindow*> open_;                   // every live window, oldest first
    std::vector<std::unique_ptr<HeadlessWindow>> owned_;  // windows made by Open
    std::vector<ShownMessage> messages_;
    std::deque<std::optional<std::string>> fileAnswers_;
    std::vector<ShownFileDialog> fileDialogs_;
    std::vector<int> modalRuns_;
    Cursor cursor_ = Cursor::Arrow;
    std::vector<Cursor> cursorHistory_;
    std::string applicationName_ = "kdconfig";
    int dpi_ = 96;
    std::string clipboard_;
};

}  // namespace kd::ui::headless
