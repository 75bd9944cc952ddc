#include "ui/headless/headless_toolkit.h"

#include <algorithm>

namespace kd::ui::headless {

HeadlessToolkit::~HeadlessToolkit() {
    // Windows tell the toolkit when they go; let them go while it still exists.
    while (!owned_.empty()) {
        auto window = std::move(owned_.back());
        owned_.pop_back();
        window.reset();
    }
}

HeadlessToolkit::OwnerDisabled::OwnerDisabled(HeadlessToolkit& toolkit, HeadlessWindow* owner)
    : toolkit_(toolkit), owner_(owner != nullptr && owner->IsWindowEnabled() ? owner : nullptr) {
    if (owner_ != nullptr) {
        owner_->EnableWindow(false);
    }
}

HeadlessToolkit::OwnerDisabled::~OwnerDisabled() {
    if (owner_ != nullptr && toolkit_.IsOpen(owner_)) {
        owner_->EnableWindow(true);
    }
}

std::unique_ptr<HeadlessWindow> HeadlessToolkit::Create(Dialog& dialog, HeadlessWindow* parent,
                                                        int hostId) {
    auto window = std::make_unique<HeadlessWindow>(*this, dialog, parent, hostId, dpi_);
    open_.push_back(window.get());
    dialog.AttachPeer(window.get());
    return window;
}

HeadlessWindow& HeadlessToolkit::Open(Dialog& dialog) {
    owned_.push_back(Create(dialog, nullptr, 0));
    HeadlessWindow& window = *owned_.back();
    dialog.HandleInit();
    if (!window.Ended() && window.GetDialog() != nullptr) {
        dialog.HandleShown();
    }
    return window;
}

void HeadlessToolkit::Close(HeadlessWindow& window) {
    const auto found = std::find_if(owned_.begin(), owned_.end(),
                                    [&](const auto& owned) { return owned.get() == &window; });
    if (found != owned_.end()) {
        auto gone = std::move(*found);
        owned_.erase(found);
    }
}

HeadlessWindow* HeadlessToolkit::Find(int templateId) const {
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if ((*it)->TemplateId() == templateId) {
            return *it;
        }
    }
    return nullptr;
}

bool HeadlessToolkit::IsOpen(const HeadlessWindow* window) const {
    return std::find(open_.begin(), open_.end(), window) != open_.end();
}

HeadlessWindow* HeadlessToolkit::OwnerWindow(const Dialog* owner, bool orActive) const {
    if (owner != nullptr) {
        auto* window = static_cast<HeadlessWindow*>(owner->Peer());
        return window != nullptr ? &window->Root() : nullptr;
    }
    if (!orActive) {
        return nullptr;
    }
    for (auto it = open_.rbegin(); it != open_.rend(); ++it) {
        if ((*it)->Parent() == nullptr && (*it)->TakesInput()) {
            return *it;
        }
    }
    return nullptr;
}

void HeadlessToolkit::Forget(HeadlessWindow* window) {
    open_.erase(std::remove(open_.begin(), open_.end(), window), open_.end());
    // The windows it owned go with it, as on Windows.
    std::vector<std::unique_ptr<HeadlessWindow>> gone;
    for (auto it = owned_.begin(); it != owned_.end();) {
        if ((*it)->ModelessOwner() == window) {
            gone.push_back(std::move(*it));
            it = owned_.erase(it);
        } else {
            ++it;
        }
    }
}

bool HeadlessToolkit::ShowModeless(Dialog& dialog, Dialog& owner) {
    HeadlessWindow* ownerWindow = OwnerWindow(&owner, false);
    if (dialog.HasWindow() || ownerWindow == nullptr) {
        return false;
    }
    owned_.push_back(Create(dialog, nullptr, 0));
    HeadlessWindow& window = *owned_.back();
    window.MakeModeless(ownerWindow);
    dialog.HandleInit();
    if (!window.Ended() && window.GetDialog() != nullptr) {
        dialog.HandleShown();
    }
    return true;
}

int HeadlessToolkit::RunModal(Dialog& dialog, Dialog* owner) {
    modalRuns_.push_back(dialog.Template().id);
    const OwnerDisabled ownerDisabled(*this, OwnerWindow(owner, true));
    std::unique_ptr<HeadlessWindow> window = Create(dialog, nullptr, 0);
    dialog.HandleInit();
    if (!window->Ended()) {
        dialog.HandleShown();
    }
    if (!window->Ended()) {
        if (const auto script = modalScripts_.find(dialog.Template().id);
            script != modalScripts_.end()) {
            script->second(*window);
        }
    }
    if (!window->Ended()) {
        window->CloseBox();
    }
    // A dialog that refuses to close is closed anyway: the script has ended.
    const int code = window->Ended() ? window->EndCode() : kResultCancel;
    window.reset();
    return code;
}

bool HeadlessToolkit::CreateChild(Dialog& page, Dialog& parent, int hostId) {
    if (page.HasWindow()) {
        return false;  // a page has one window, as on the real platforms
    }
    auto* host = static_cast<HeadlessWindow*>(parent.Peer());
    if (host == nullptr || !host->HasControl(hostId)) {
        return false;
    }
    HeadlessWindow& window = host->Adopt(Create(page, host, hostId));
    (void)window;
    page.HandleInit();
    return true;
}

int HeadlessToolkit::MessageBox(Dialog* owner, std::string_view text, std::string_view caption,
                                uint32_t flags) {
    ShownMessage message{std::string(text), std::string(caption), flags,
                         owner != nullptr ? owner->Template().id : 0, cursor_};
    messages_.push_back(message);
    const OwnerDisabled ownerDisabled(*this, OwnerWindow(owner, false));
    return answer_ ? answer_(message) : kResultOk;
}

std::optional<std::string> HeadlessToolkit::ChooseFile(Dialog* owner,
                                                       const FileDialogRequest& request) {
    HeadlessWindow* ownerWindow = OwnerWindow(owner, true);
    const OwnerDisabled ownerDisabled(*this, ownerWindow);
    fileDialogs_.push_back({request, ownerWindow != nullptr ? ownerWindow->TemplateId() : 0,
                            ownerWindow != nullptr && !ownerWindow->IsWindowEnabled()});
    if (fileAnswers_.empty()) {
        return std::nullopt;
    }
    std::optional<std::string> answer = std::move(fileAnswers_.front());
    fileAnswers_.pop_front();
    return answer;
}

void HeadlessToolkit::ProcessEvents() {
    ++processEventsCalls_;
    if (eventScript_) {
        eventScript_();
    }
}

void HeadlessToolkit::SetCursor(Cursor cursor) {
    cursor_ = cursor;
    cursorHistory_.push_back(cursor);
}

}  // namespace kd::ui::headless
