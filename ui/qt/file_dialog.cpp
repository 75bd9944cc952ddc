// The toolkit's file dialog: Qt's own, or the desktop's where Qt has one, owned by the
// asking window as the Windows common dialogs are.
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>

#include "ui/qt/control_builder.h"
#include "ui/qt/qt_toolkit.h"
#include "ui/qt/qt_window.h"

namespace kd::ui::qt {

namespace {

// "配置文件 (*.txt)" with "*.txt" stays as it is; a name without its pattern gets it,
// which is where Qt reads the pattern from.
QString NameFilterOf(const FileDialogRequest& request) {
    const QString name = FromUtf8(request.filterName);
    const QString pattern = FromUtf8(request.pattern);
    if (pattern.isEmpty() || name.endsWith(QStringLiteral("(%1)").arg(pattern))) {
        return name.isEmpty() ? pattern : name;
    }
    return name.isEmpty() ? pattern : QStringLiteral("%1 (%2)").arg(name, pattern);
}

// "*.json" gives "json": the extension a saved name without one receives.
QString DefaultSuffixOf(const QString& pattern) {
    const qsizetype dot = pattern.lastIndexOf(u'.');
    if (dot < 0) {
        return {};
    }
    const QString suffix = pattern.mid(dot + 1);
    return suffix.contains(u'*') || suffix.contains(u'?') ? QString() : suffix;
}

}  // namespace

std::optional<std::string> QtToolkit::ChooseFile(Dialog* owner, const FileDialogRequest& request) {
    QtWindow* ownerWindow = owner != nullptr ? OwnerRoot(owner) : ActiveWindow();
    QFileDialog dialog(ownerWindow, FromUtf8(request.title));
    dialog.setNameFilter(NameFilterOf(request));
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setDefaultSuffix(DefaultSuffixOf(FromUtf8(request.pattern)));
        dialog.selectFile(FromUtf8(request.defaultName));
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
    }
    dialog.setWindowModality(ownerWindow != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    int result = QDialog::Rejected;
    {
        const OwnerBlocked blocked(ownerWindow);
        const CursorLayer layer(*this);
        QEventLoop loop;
        QObject::connect(&dialog, &QDialog::finished, &loop, [&](int code) {
            result = code;
            loop.exit();
        });
        dialog.show();
        loop.exec(QEventLoop::DialogExec);
    }
    const QStringList chosen = dialog.selectedFiles();
    if (result != QDialog::Accepted || chosen.isEmpty() || chosen.front().isEmpty()) {
        return std::nullopt;
    }
    // File names are bytes on Linux: give back the bytes the file system holds.
    return QFile::encodeName(chosen.front()).toStdString();
}

}  // namespace kd::ui::qt
