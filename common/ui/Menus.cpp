#include "ui/Menus.h"

#include "ui/ActnList.h"

#include <algorithm>

namespace ui {

TMenuItem::TMenuItem(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {}

TMenuItem::~TMenuItem() {
    if (FAction != nullptr) {
        FAction->RemoveClient(this);
    }
}

void TMenuItem::SetCaption(const std::string& AValue) {
    FCaption = AValue;
}

void TMenuItem::SetEnabled(bool AValue) {
    FEnabled = AValue;
}

void TMenuItem::SetVisible(bool AValue) {
    FVisible = AValue;
}

void TMenuItem::SetDefault(bool AValue) {
    FDefault = AValue;
}

void TMenuItem::SetImageIndex(int AValue) {
    FImageIndex = AValue;
}

void TMenuItem::SetAction(TAction* AAction) {
    LinkAction(FAction, AAction, this);
}

void TMenuItem::ActionChanged() {
    if (FAction == nullptr) {
        return;
    }
    FCaption = FAction->Caption();
    FEnabled = FAction->Enabled();
    FVisible = FAction->Visible();
    FImageIndex = FAction->ImageIndex();
}

void TMenuItem::Click() {
    if (FAction != nullptr) {
        FAction->Execute();
    } else if (OnClick) {
        OnClick(this);
    }
}

TPopupMenu::TPopupMenu(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {}

TPopupMenu::~TPopupMenu() {
    DestroyHandle();
}

void TPopupMenu::Add(TMenuItem* AItem) {
    if (std::find(FItems.begin(), FItems.end(), AItem) == FItems.end()) {
        FItems.push_back(AItem);
    }
}

void TPopupMenu::Popup(int AX, int AY) {
    if (OnPopup) {
        OnPopup(this);
    }
    ++FPopupCount;
    HandleNeeded();
    Peer()->Popup(AX, AY);
}

} // namespace ui
