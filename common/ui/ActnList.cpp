#include "ui/ActnList.h"

#include "ui/Menus.h"

#include <algorithm>

namespace ui {

TAction::TAction(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {}

TAction::~TAction() {
    // The clients outlive their command only in the order the owner frees them; none may keep it.
    for (TControl* control : std::vector<TControl*>(FControls)) {
        control->SetAction(nullptr);
    }
    for (TMenuItem* item : std::vector<TMenuItem*>(FItems)) {
        item->SetAction(nullptr);
    }
}

void TAction::SetCaption(const std::string& AValue) {
    FCaption = AValue;
    NotifyClients();
}

void TAction::SetEnabled(bool AValue) {
    FEnabled = AValue;
    NotifyClients();
}

void TAction::SetVisible(bool AValue) {
    FVisible = AValue;
    NotifyClients();
}

void TAction::SetImageIndex(int AValue) {
    FImageIndex = AValue;
    NotifyClients();
}

void TAction::SetHint(const std::string& AValue) {
    FHint = AValue;
    NotifyClients();
}

bool TAction::Execute() {
    if (!FEnabled || !OnExecute) {
        return false;
    }
    OnExecute(this);
    return true;
}

void TAction::AddClient(TControl* AControl) {
    if (std::find(FControls.begin(), FControls.end(), AControl) == FControls.end()) {
        FControls.push_back(AControl);
    }
}

void TAction::RemoveClient(TControl* AControl) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), AControl), FControls.end());
}

void TAction::AddClient(TMenuItem* AItem) {
    if (std::find(FItems.begin(), FItems.end(), AItem) == FItems.end()) {
        FItems.push_back(AItem);
    }
}

void TAction::RemoveClient(TMenuItem* AItem) {
    FItems.erase(std::remove(FItems.begin(), FItems.end(), AItem), FItems.end());
}

void TAction::NotifyClients() {
    for (TControl* control : FControls) {
        control->ActionChanged();
    }
    for (TMenuItem* item : FItems) {
        item->ActionChanged();
    }
}

} // namespace ui
