#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace kd::ui {

class Dialog;

enum class Cursor { Arrow, Wait };

// Message box buttons and flags, in our own terms.
enum MessageBoxFlag : uint32_t {
    kMessageOk = 0,
    kMessageSystemModal = 1u << 0,
    kMessageIconInformation = 1u << 1,
    kMessageIconWarning = 1u << 2,
};

// Results of a modal run and of message boxes.
inline constexpr int kResultOk = 1;
inline constexpr int kResultCancel = 2;

enum class FileDialogKind { Open, Save };

// What a file dialog asks for. Texts are UTF-8.
struct FileDialogRequest {
    FileDialogKind kind;
    std::string title;        // caption, UTF-8
    std::string filterName;   // e.g. "配置文件 (*.json)"
    std::string pattern;      // e.g. "*.json"
    std::string defaultName;  // suggested name for Save
};

// What a back end provides: windows for dialogs, message boxes and cursors.
class Toolkit {
  public:
    virtual ~Toolkit() = default;

    // Creates the dialog's window, initialises it and runs it until EndDialog, with the
    // owner's top-level window disabled meanwhile. A null owner stands for the window
    // the user works in: the newest enabled top-level window this toolkit made.
    // Returns the code given to EndDialog.
    virtual int RunModal(Dialog& dialog, Dialog* owner) = 0;

    // Creates the dialog as a child page inside the control hostId of parent (a tab
    // control), runs its initialisation and returns. The page lives until its parent's
    // window is destroyed. False when the window could not be made.
    virtual bool CreateChild(Dialog& page, Dialog& parent, int hostId) = 0;

    // Shows a message box and returns when the user has dismissed it; the owner's
    // top-level window is disabled meanwhile.
    virtual int MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                           uint32_t flags) = 0;

    // Asks the user for a file to open or to save, the owner's top-level window disabled
    // meanwhile. The chosen path in UTF-8, or nothing when the user cancelled.
    virtual std::optional<std::string> ChooseFile(Dialog* owner,
                                                  const FileDialogRequest& request) = 0;

    // Handles the input and painting that wait, without waiting for more: long work in a
    // handler calls it between steps so that its windows stay responsive. The handlers it
    // runs may act at once, so the caller first disables what must not start meanwhile.
    virtual void ProcessEvents() = 0;
    // Runs work once the input being handled now is done. Long work that a click starts
    // goes through here: run inside the click, it would keep the mouse on the clicked
    // button on some desktops, so that no other button could be clicked meanwhile.
    virtual void RunSoon(std::function<void()> work) = 0;
    // Creates the dialog's window owned by the owner's top-level window, initialises and
    // shows it, and returns at once: both windows take input. The window goes when its
    // dialog calls EndDialog, when the dialog goes, or when its owner's window goes. False
    // when the dialog has a window already or none could be made.
    virtual bool ShowModeless(Dialog& dialog, Dialog& owner) = 0;

    // Puts the text on the clipboard, for other programs to paste; false when it cannot.
    virtual bool CopyToClipboard(std::string_view text) = 0;

    virtual void SetCursor(Cursor cursor) = 0;

    // The program file's name without its extension; the caption of plain message boxes.
    virtual std::string ApplicationName() const = 0;
};

}  // namespace kd::ui
