#include "ui/dialog.h"

namespace kd::ui {

Dialog::Dialog(Toolkit& toolkit, const DialogTemplate& dialogTemplate)
    : toolkit_(toolkit), template_(dialogTemplate) {}

Dialog::~Dialog() {
    if (peer_ != nullptr) {
        peer_->DialogDestroyed();
    }
}

int Dialog::DoModal(Dialog* owner) {
    endRequested_ = false;
    endResult_ = 0;
    return toolkit_.RunModal(*this, owner);
}

bool Dialog::ShowModeless(Dialog& owner) {
    endRequested_ = false;
    endResult_ = 0;
    return toolkit_.ShowModeless(*this, owner);
}

bool Dialog::CreateAsChild(Dialog& parent, int hostId) {
    return toolkit_.CreateChild(*this, parent, hostId);
}

void Dialog::EndDialog(int result) {
    endRequested_ = true;
    endResult_ = result;
    if (peer_ != nullptr) {
        peer_->EndDialog(result);
    }
}

void Dialog::SetChecked(int id, bool checked) {
    if (peer_)
        peer_->SetChecked(id, checked);
}
bool Dialog::IsChecked(int id) const {
    return peer_ && peer_->IsChecked(id);
}

void Dialog::CheckRadioButton(int first, int last, int id) {
    for (int button = first; button <= last; ++button) {
        SetChecked(button, button == id);
    }
}

int Dialog::CheckedRadioButton(int first, int last) const {
    for (int button = first; button <= last; ++button) {
        if (IsChecked(button)) {
            return button;
        }
    }
    return 0;
}

void Dialog::SetText(int id, std::string_view text) {
    if (peer_)
        peer_->SetText(id, text);
}
std::string Dialog::GetText(int id) const {
    return peer_ ? peer_->GetText(id) : std::string();
}
void Dialog::SetTextLimit(int id, size_t characters) {
    if (peer_)
        peer_->SetTextLimit(id, characters);
}
void Dialog::ShowControl(int id, bool visible) {
    if (peer_)
        peer_->SetVisible(id, visible);
}
bool Dialog::IsControlVisible(int id) const {
    return peer_ && peer_->IsVisible(id);
}
void Dialog::EnableControl(int id, bool enabled) {
    if (peer_)
        peer_->SetEnabled(id, enabled);
}
bool Dialog::IsControlEnabled(int id) const {
    return peer_ && peer_->IsEnabled(id);
}

void Dialog::ComboClear(int id) {
    if (peer_)
        peer_->ComboClear(id);
}
int Dialog::ComboAdd(int id, std::string_view text) {
    return peer_ ? peer_->ComboAdd(id, text) : -1;
}
int Dialog::ComboCount(int id) const {
    return peer_ ? peer_->ComboCount(id) : 0;
}
std::string Dialog::ComboItemText(int id, int index) const {
    return peer_ ? peer_->ComboItemText(id, index) : std::string();
}
void Dialog::ComboSetItemData(int id, int index, intptr_t data) {
    if (peer_)
        peer_->ComboSetItemData(id, index, data);
}
intptr_t Dialog::ComboItemData(int id, int index) const {
    return peer_ ? peer_->ComboItemData(id, index) : 0;
}
void Dialog::ComboSelect(int id, int index) {
    if (peer_)
        peer_->ComboSelect(id, index);
}
int Dialog::ComboSelection(int id) const {
    return peer_ ? peer_->ComboSelection(id) : -1;
}
void Dialog::ComboFitDropWidth(int id) {
    if (peer_) {
        peer_->ComboFitDropWidth(id);
    }
}
int Dialog::ComboDropWidth(int id) const {
    return peer_ ? peer_->ComboDropWidth(id) : 0;
}

void Dialog::TabInsert(int id, int index, std::string_view text) {
    if (peer_)
        peer_->TabInsert(id, index, text);
}
int Dialog::TabSelection(int id) const {
    return peer_ ? peer_->TabSelection(id) : -1;
}
void Dialog::TabSelect(int id, int index) {
    if (peer_)
        peer_->TabSelect(id, index);
}
Rect Dialog::TabClientRect(int id) const {
    return peer_ ? peer_->TabClientRect(id) : Rect{};
}
Rect Dialog::TabDisplayArea(int id) const {
    return peer_ ? peer_->TabDisplayArea(id) : Rect{};
}

void Dialog::SetProgress(int id, int position, int range) {
    if (peer_)
        peer_->SetProgress(id, position, range);
}
int Dialog::ProgressPosition(int id) const {
    return peer_ ? peer_->ProgressPosition(id) : 0;
}

int Dialog::ListAdd(int id, std::string_view text) {
    return peer_ ? peer_->ListAdd(id, text) : -1;
}
void Dialog::ListRemove(int id, int index) {
    if (peer_)
        peer_->ListRemove(id, index);
}
int Dialog::ListCount(int id) const {
    return peer_ ? peer_->ListCount(id) : 0;
}
std::string Dialog::ListItemText(int id, int index) const {
    return peer_ ? peer_->ListItemText(id, index) : std::string();
}

void Dialog::MoveWindow(const Rect& pixels) {
    if (peer_)
        peer_->MoveWindow(pixels);
}
void Dialog::ShowWindow(bool visible) {
    if (peer_)
        peer_->ShowWindow(visible);
}
bool Dialog::IsWindowVisible() const {
    return peer_ && peer_->IsWindowVisible();
}
void Dialog::SetIcon(int iconId) {
    if (peer_)
        peer_->SetIcon(iconId);
}
bool Dialog::AppendSystemMenu(std::string_view text, int command, bool separatorBefore) {
    return peer_ && peer_->AppendSystemMenu(text, command, separatorBefore);
}
bool Dialog::EnableSystemMenu(int command, bool enabled) {
    return peer_ && peer_->EnableSystemMenu(command, enabled);
}

int Dialog::MessageBox(std::string_view text, std::string_view caption, uint32_t flags) {
    return toolkit_.MessageBox(this, text, caption, flags);
}

void Dialog::SetCursor(Cursor cursor) {
    toolkit_.SetCursor(cursor);
}

void Dialog::AttachPeer(WindowPeer* peer) {
    peer_ = peer;
}
void Dialog::DetachPeer() {
    peer_ = nullptr;
}

void Dialog::HandleInit() {
    OnInitDialog();
}

bool Dialog::OnInitDialog() {
    DoDataExchange();
    return true;
}

void Dialog::BindCommand(int id, std::function<void()> handler) {
    handlers_[id] = std::move(handler);
}

void Dialog::HandleCommand(int id) {
    if (const auto handler = handlers_.find(id); handler != handlers_.end()) {
        handler->second();
        return;
    }
    // Pages inside another window leave Enter and Escape to that window.
    if (template_.style == DialogStyle::Child) {
        return;
    }
    if (id == kResultOk) {
        OnOK();
    } else if (id == kResultCancel) {
        OnCancel();
    }
}

void Dialog::HandleTabChanged(int tabId) {
    OnTabChanged(tabId);
}

void Dialog::SetTimer(uint32_t intervalMs) {
    if (peer_ != nullptr) {
        peer_->SetTimer(intervalMs);
    }
}

bool Dialog::HandleSysCommand(int command) {
    return OnSysCommand(command);
}

}  // namespace kd::ui
