#include "app/frame_log_dialog.h"

#include "config/file_fault_text.h"
#include "files/whole_file.h"
#include "resources/ids.h"
#include "resources/main_window.h"
#include "resources/strings.h"

namespace kd {

FrameLogDialog::FrameLogDialog(ui::Toolkit& toolkit, FrameLog& log)
    : Dialog(toolkit, resources::kFrameLogTemplate), log_(log) {
    BindCommand(ids::kFrameLogCopyButton, [this] { OnCopy(); });
    BindCommand(ids::kFrameLogSaveButton, [this] { OnSave(); });
    // Frames come while the window is closed too; only an open one shows them.
    log_.OnAdded([this](const LoggedFrame& logged) {
        if (HasWindow()) {
            Show(logged);
        }
    });
}

FrameLogDialog::~FrameLogDialog() {
    log_.OnAdded(nullptr);
}

bool FrameLogDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    for (const LoggedFrame& logged : log_.Frames()) {
        ListAdd(ids::kFrameLogList, FrameLog::Line(logged, FrameLog::kShownBytes));
    }
    return true;
}

void FrameLogDialog::Show(const LoggedFrame& logged) {
    ListAdd(ids::kFrameLogList, FrameLog::Line(logged, FrameLog::kShownBytes));
    while (ListCount(ids::kFrameLogList) > static_cast<int>(FrameLog::kKept)) {
        ListRemove(ids::kFrameLogList, 0);
    }
}

void FrameLogDialog::OnCopy() {
    if (!GetToolkit().CopyToClipboard(log_.Text())) {
        MessageBox(strings::kFrameLogCopyFailed, GetToolkit().ApplicationName(),
                   ui::kMessageIconWarning);
    }
}

void FrameLogDialog::OnSave() {
    const ui::FileDialogRequest request{
        ui::FileDialogKind::Save, std::string(strings::kFrameLogSaveTitle),
        std::string(strings::kFrameLogFilterName), std::string(strings::kFrameLogPattern),
        std::string(strings::kFrameLogDefaultName)};
    const std::optional<std::string> path = GetToolkit().ChooseFile(this, request);
    if (!path) {
        return;
    }
    const std::string caption = GetToolkit().ApplicationName();
    // Taken now: frames that come while the box below is open are not half in the file.
    if (const files::Result written = files::ReplaceWhole(*path, log_.Text()); !written) {
        MessageBox(
            std::string(strings::kFrameLogSaveFailed) + *path + "\n" + DescribeFileFault(written),
            caption, ui::kMessageIconWarning);
        return;
    }
    MessageBox(std::string(strings::kFrameLogSaved) + *path, caption, ui::kMessageIconInformation);
}

}  // namespace kd
