#pragma once

#include <QIcon>
#include <QPointer>
#include <QString>
#include <QTranslator>
#include <map>
#include <string>
#include <vector>

#include "ui/toolkit.h"

namespace kd::ui::qt {

class QtWindow;

// The Qt back end: dialog windows built from the templates, message boxes and the wait
// cursor. Needs a QApplication for its whole life. iconFiles gives the picture of each
// icon id the templates and dialogs use (a file or a ":/" resource path).
class QtToolkit final : public Toolkit {
  public:
    explicit QtToolkit(std::map<int, QString> iconFiles = {});
    ~QtToolkit() override;
    QtToolkit(const QtToolkit&) = delete;
    QtToolkit& operator=(const QtToolkit&) = delete;

    // Returns -1 when the dialog has a window already.
    int RunModal(Dialog& dialog, Dialog* owner) override;
    bool CreateChild(Dialog& page, Dialog& parent, int hostId) override;
    int MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                   uint32_t flags) override;
    // Qt's file dialog, or the desktop's where Qt uses one.
    std::optional<std::string> ChooseFile(Dialog* owner, const FileDialogRequest& request) override;
    void ProcessEvents() override;
    // From the event loop: a widget clicked keeps the mouse until its click is handled.
    void RunSoon(std::function<void()> work) override;
    bool ShowModeless(Dialog& dialog, Dialog& owner) override;
    bool CopyToClipboard(std::string_view text) override;
    void SetCursor(Cursor cursor) override;
    std::string ApplicationName() const override;

    // The icon of this id; null when there is none.
    QIcon Icon(int iconId) const;
    // The window of a dialog, or null.
    static QtWindow* WindowOf(const Dialog& dialog);

  private:
    // A box or modal dialog opens a layer over the windows below it. The wait cursor shows
    // only in the layer that asked for it: over a box it gives way to the arrow, as the
    // Windows cursor does over another window, and it comes back when the box goes.
    class CursorLayer {
      public:
        explicit CursorLayer(QtToolkit& toolkit);
        ~CursorLayer();
        CursorLayer(const CursorLayer&) = delete;
        CursorLayer& operator=(const CursorLayer&) = delete;

      private:
        QtToolkit& toolkit_;
    };

    // Shows the wait cursor when the top layer asked for it.
    void ShowCursor();

    // The top-level window of the owner's, or null.
    static QtWindow* OwnerRoot(const Dialog* owner);
    // The window a dialog run without an owner belongs to: the newest running one that
    // takes input (null: none).
    QtWindow* ActiveWindow() const;

    std::map<int, QString> iconFiles_;
    std::vector<QPointer<QtWindow>> running_;  // modal runs in progress, oldest first
    bool waitCursor_ = false;                  // asked for by the dialogs
    int layers_ = 0;                           // boxes and modal runs now open
    int waitLayer_ = 0;                        // the layer that asked for the wait cursor
    bool overrideShown_ = false;               // the wait cursor is on screen
    QTranslator translator_;
    bool translated_ = false;
};

}  // namespace kd::ui::qt
