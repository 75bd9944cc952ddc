#pragma once

#include "app/frame_log.h"
#include "ui/dialog.h"

namespace kd {

// The frame log (140), a window beside the main window that lists every frame sent and
// received since connect, as it goes over the line.
//
//   1401 the frames, one line each: time, direction, hex (long frames cut), words
//   1402 复制     OnCopy: every frame kept, with all its bytes, to the clipboard
//   1403 保存…    OnSave: the same text to a file
//   2    关闭     closes the window; the log goes on
class FrameLogDialog final : public ui::Dialog {
  public:
    FrameLogDialog(ui::Toolkit& toolkit, FrameLog& log);
    ~FrameLogDialog() override;

  protected:
    bool OnInitDialog() override;

  private:
    void Show(const LoggedFrame& logged);
    void OnCopy();
    void OnSave();

    FrameLog& log_;
};

}  // namespace kd
