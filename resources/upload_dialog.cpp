#include "resources/upload_dialog.h"

#include "resources/ids.h"

namespace kd::resources {

using namespace ui;
using namespace ids;

namespace {

// In template order, which is also the tab order: the file, browse, start, cancel.
constexpr ControlTemplate kUploadControls[] = {
    {kUnnamedControl, ControlKind::Static, "文件：", 7, 9, 36, 8},
    {kUploadFileEdit, ControlKind::Edit, "", 45, 7, 190, 12, kReadOnly | kGroup},
    {kUploadBrowseButton, ControlKind::PushButton, "浏览(&B)...", 241, 6, 52, 14},
    {kUnnamedControl, ControlKind::Static, "大小：", 7, 25, 36, 8},
    {kUploadSizeLabel, ControlKind::Static, "", 45, 25, 248, 8},
    {kUnnamedControl, ControlKind::Static, "MD5：", 7, 37, 36, 8},
    {kUploadMd5Label, ControlKind::Static, "", 45, 37, 248, 8},
    {kUploadProgressBar, ControlKind::Progress, "升级进度", 7, 53, 286, 11},
    {kUploadProgressLabel, ControlKind::Static, "", 7, 68, 286, 8},
    {kUploadStatusLabel, ControlKind::Static, "", 7, 81, 286, 18},
    {kUploadOldCaption, ControlKind::Static, "升级前", 70, 103, 100, 8},
    {kUploadNewCaption, ControlKind::Static, "升级后", 180, 103, 100, 8},
    {kUploadVersionCaption, ControlKind::Static, "固件版本：", 7, 115, 60, 8},
    {kUploadOldVersionLabel, ControlKind::Static, "", 70, 115, 105, 8},
    {kUploadNewVersionLabel, ControlKind::Static, "", 180, 115, 113, 8},
    {kUploadDateCaption, ControlKind::Static, "编译日期：", 7, 127, 60, 8},
    {kUploadOldDateLabel, ControlKind::Static, "", 70, 127, 105, 8},
    {kUploadNewDateLabel, ControlKind::Static, "", 180, 127, 113, 8},
    {kUploadStartButton, ControlKind::PushButton, "开始(&S)", 188, 145, 50, 14,
     kDefaultButton | kGroup},
    {kUploadCancelButton, ControlKind::PushButton, "取消", 243, 145, 50, 14},
};

}  // namespace

const DialogTemplate kFirmwareUploadTemplate{
    kFirmwareUploadDialog, DialogStyle::Modal, "固件升级", 300, 166, "宋体", 9, kUploadControls};

const DialogTemplate kConfigUploadTemplate{
    kConfigUploadDialog, DialogStyle::Modal, "配置升级", 300, 166, "宋体", 9, kUploadControls};

}  // namespace kd::resources
