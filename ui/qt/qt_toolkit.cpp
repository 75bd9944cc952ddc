#include "ui/qt/qt_toolkit.h"

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <vector>

#include "ui/dialog.h"
#include "ui/qt/control_builder.h"
#include "ui/qt/qt_window.h"

namespace kd::ui::qt {

namespace {

// In the middle of the owner's screen, or of the main screen; as DS_CENTER does.
void Centre(QWidget& window, const QWidget* owner) {
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    window.move(area.center() - QPoint(window.width() / 2, window.height() / 2));
}

QMessageBox::Icon IconOf(uint32_t flags) {
    // Both icon flags at once name no icon on Windows, where the warning wins.
    if ((flags & kMessageIconWarning) != 0) {
        return QMessageBox::Warning;
    }
    if ((flags & kMessageIconInformation) != 0) {
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

// The last widget in the focus chain that lies in host and takes focus.
QWidget* LastFocusableIn(QWidget& host) {
    QWidget* last = host.focusPolicy() != Qt::NoFocus ? &host : nullptr;
    for (QWidget* next = host.nextInFocusChain(); next != &host && host.isAncestorOf(next);
         next = next->nextInFocusChain()) {
        if (next->focusPolicy() != Qt::NoFocus) {
            last = next;
        }
    }
    return last;
}

// A page's fields follow its tab control in the Tab order, as the fields of a control
// parent do on Windows; Qt would put them after the window's later controls.
void FollowInTabOrder(QWidget* anchor, QWidget& page) {
    std::vector<QWidget*> fields;
    for (QWidget* next = page.nextInFocusChain(); next != &page && page.isAncestorOf(next);
         next = next->nextInFocusChain()) {
        if (next->focusPolicy() != Qt::NoFocus) {
            fields.push_back(next);
        }
    }
    for (QWidget* field : fields) {
        if (anchor != nullptr) {
            QWidget::setTabOrder(anchor, field);
        }
        anchor = field;
    }
}

}  // namespace

QtToolkit::QtToolkit(std::map<int, QString> iconFiles) : iconFiles_(std::move(iconFiles)) {
    // Message box buttons in the desktop's language, as Windows gives them.
    translated_ = translator_.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
                  QCoreApplication::installTranslator(&translator_);
}

QtToolkit::~QtToolkit() {
    SetCursor(Cursor::Arrow);
    if (translated_) {
        QCoreApplication::removeTranslator(&translator_);
    }
}

QtWindow* QtToolkit::WindowOf(const Dialog& dialog) {
    return dynamic_cast<QtWindow*>(dialog.Peer());
}

// Boxes and dialogs are owned by the top-level window, also when a page asks for them.
QtWindow* QtToolkit::OwnerRoot(const Dialog* owner) {
    QtWindow* window = owner != nullptr ? WindowOf(*owner) : nullptr;
    return window != nullptr ? &window->Root() : nullptr;
}

QIcon QtToolkit::Icon(int iconId) const {
    const auto found = iconFiles_.find(iconId);
    return found != iconFiles_.end() ? QIcon(found->second) : QIcon();
}

QtWindow* QtToolkit::ActiveWindow() const {
    for (auto it = running_.rbegin(); it != running_.rend(); ++it) {
        if (!it->isNull() && (*it)->TakesInput()) {
            return it->data();
        }
    }
    return nullptr;
}

int QtToolkit::RunModal(Dialog& dialog, Dialog* owner) {
    // A second window for the same dialog would take over its peer.
    if (dialog.HasWindow()) {
        return -1;
    }
    // A dialog made without an owner still belongs to the window the user works in, and
    // disables it while it runs.
    QtWindow* ownerWindow = owner != nullptr ? OwnerRoot(owner) : ActiveWindow();
    const QPointer<QtWindow> window = new QtWindow(*this, dialog, ownerWindow, true);
    window->setWindowModality(ownerWindow != nullptr ? Qt::WindowModal : Qt::NonModal);
    Centre(*window, ownerWindow);
    running_.emplace_back(window);
    window->Initialise();
    int code = kResultCancel;
    if (!window.isNull()) {
        const OwnerBlocked blocked(ownerWindow);
        const CursorLayer layer(*this);
        QEventLoop loop;
        code = window->Run(loop);
    }
    running_.erase(std::remove(running_.begin(), running_.end(), window), running_.end());
    delete window.data();
    return code;
}

bool QtToolkit::ShowModeless(Dialog& dialog, Dialog& owner) {
    QtWindow* ownerWindow = OwnerRoot(&owner);
    if (dialog.HasWindow() || ownerWindow == nullptr) {
        return false;
    }
    // A child of the owner's window: it stays above it and goes with it.
    const QPointer<QtWindow> window = new QtWindow(*this, dialog, ownerWindow, true);
    window->MakeModeless();
    window->setWindowModality(Qt::NonModal);
    Centre(*window, ownerWindow);
    window->Initialise();
    if (window.isNull() || window->Ended() || WindowOf(dialog) != window.data()) {
        return false;
    }
    window->show();
    window->activateWindow();
    QMetaObject::invokeMethod(
        window.data(),
        [window] {
            if (!window.isNull())
                window->NotifyShownLater();
        },
        Qt::QueuedConnection);
    return true;
}

bool QtToolkit::CopyToClipboard(std::string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return false;
    }
    clipboard->setText(FromUtf8(text));
    return true;
}

bool QtToolkit::CreateChild(Dialog& page, Dialog& parent, int hostId) {
    if (page.HasWindow()) {
        return false;
    }
    QtWindow* parentWindow = WindowOf(parent);
    QWidget* host = parentWindow != nullptr ? parentWindow->ControlWidget(hostId) : nullptr;
    if (host == nullptr) {
        return false;
    }
    QWidget* const anchor = LastFocusableIn(*host);
    auto* window = new QtWindow(*this, page, host, false);
    FollowInTabOrder(anchor, *window);
    window->Initialise();
    if (!page.HasWindow() || WindowOf(page) != window) {
        return false;
    }
    // Visible from the start, as a page is until its parent hides it.
    window->show();
    return true;
}

int QtToolkit::MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                          uint32_t flags) {
    QtWindow* ownerWindow = OwnerRoot(owner);
    QMessageBox box(IconOf(flags), FromUtf8(caption), FromUtf8(text), QMessageBox::Ok, ownerWindow);
    box.setTextFormat(Qt::PlainText);
    if ((flags & kMessageSystemModal) != 0) {
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
    }
    box.setWindowModality(ownerWindow != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    const OwnerBlocked blocked(ownerWindow);
    const CursorLayer layer(*this);
    QEventLoop loop;
    QObject::connect(&box, &QMessageBox::finished, &loop, [&loop] { loop.exit(); });
    box.show();
    loop.exec(QEventLoop::DialogExec);
    // A box with one button answers OK however it is closed, as on Windows.
    return kResultOk;
}

void QtToolkit::RunSoon(std::function<void()> work) {
    QMetaObject::invokeMethod(qApp, std::move(work), Qt::QueuedConnection);
}

void QtToolkit::ProcessEvents() {
    // Work run from a queued call sits inside the event loop's delivery of posted events,
    // which does not deliver again until it returns: repaints and queued calls are sent
    // here by hand, the desktop's input by the loop.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtToolkit::SetCursor(Cursor cursor) {
    waitCursor_ = cursor == Cursor::Wait;
    waitLayer_ = layers_;
    ShowCursor();
}

void QtToolkit::ShowCursor() {
    const bool wait = waitCursor_ && layers_ == waitLayer_;
    if (wait == overrideShown_) {
        return;
    }
    overrideShown_ = wait;
    if (wait) {
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QGuiApplication::restoreOverrideCursor();
    }
}

std::string QtToolkit::ApplicationName() const {
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString();
}

QtToolkit::CursorLayer::CursorLayer(QtToolkit& toolkit) : toolkit_(toolkit) {
    ++toolkit_.layers_;
    toolkit_.ShowCursor();
}

QtToolkit::CursorLayer::~CursorLayer() {
    --toolkit_.layers_;
    toolkit_.ShowCursor();
}

}  // namespace kd::ui::qt
