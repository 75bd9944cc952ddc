// The toolkit's file dialog: Qt's own, or the desktop's where Qt has one, owned by the
// asking window as the Windows common dialogs are.
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

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

// A name without a suffix that names nothing yet gets the filter's suffix; any other name
// is taken as typed, so /dev/full stays /dev/full and an existing "profile" is not turned
// into a new "profile.txt".
bool TakesSuffix(const QString& path) {
    const QFileInfo info(path);
    return !info.fileName().contains(u'.') && !info.exists() && !info.isSymLink();
}

// Decides on the suffix when the user accepts, before the dialog's own check asks
// whether to replace a file: that question is then about the name that will be written.
class SuffixedFileDialog final : public QFileDialog {
  public:
    SuffixedFileDialog(QWidget* parent, const QString& title, QString suffix)
        : QFileDialog(parent, title), suffix_(std::move(suffix)) {}

  protected:
    void accept() override {
        setDefaultSuffix(QString());
        const QStringList typed = selectedFiles();
        const bool add = !suffix_.isEmpty() && typed.size() == 1 && TakesSuffix(typed.front());
        setDefaultSuffix(add ? suffix_ : QString());
        QFileDialog::accept();
    }

  private:
    QString suffix_;
};

}  // namespace

std::optional<std::string> QtToolkit::ChooseFile(Dialog* owner, const FileDialogRequest& request) {
    QtWindow* ownerWindow = owner != nullptr ? OwnerRoot(owner) : ActiveWindow();
    const bool save = request.kind == FileDialogKind::Save;
    SuffixedFileDialog dialog(ownerWindow, FromUtf8(request.title),
                              save ? DefaultSuffixOf(FromUtf8(request.pattern)) : QString());
    dialog.setNameFilter(NameFilterOf(request));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
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
