#include "ui/ExtCtrls.h"

#include "ui/Menus.h"

namespace ui {

void TPanel::SetBevelOuter(TBevelCut AValue) {
    FBevelOuter = AValue;
    Changed();
}

void TShape::SetBrushColor(TColor AValue) {
    FBrushColor = AValue;
    Changed();
}

void TShape::SetPenStyle(TPenStyle AValue) {
    FPenStyle = AValue;
    Changed();
}

void TShape::SetPenColor(TColor AValue) {
    FPenColor = AValue;
    Changed();
}

// ---------------------------------------------------------------- TTimer

TTimer::TTimer(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {
    UpdateTimer();
}

TTimer::~TTimer() {
    // The ticking stops while the timer is still whole.
    DestroyHandle();
}

void TTimer::SetInterval(uint32_t AValue) {
    FInterval = AValue;
    UpdateTimer();
}

void TTimer::SetEnabled(bool AValue) {
    FEnabled = AValue;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (FEnabled && FInterval > 0) {
        if (HandleAllocated()) {
            Changed();
        } else {
            HandleNeeded();
        }
    } else {
        DestroyHandle();
    }
}

void TTimer::Timer() {
    // A tick that was on its way when the timer stopped is dropped, as a stopped system timer sends none.
    if (FEnabled && FInterval > 0 && OnTimer) {
        OnTimer(this);
    }
}

// ---------------------------------------------------------------- TTrayIcon

TTrayIcon::TTrayIcon(TComponent* AOwner, std::string AName) : TComponent(AOwner, std::move(AName)) {}

TTrayIcon::~TTrayIcon() {
    DestroyHandle();
}

void TTrayIcon::SetVisible(bool AValue) {
    FVisible = AValue;
    if (HandleAllocated()) {
        Changed();
    } else if (AValue) {
        HandleNeeded();
    }
}

void TTrayIcon::SetIcons(TImageList* AValue) {
    FIcons = AValue;
    Changed();
}

void TTrayIcon::SetIconIndex(int AValue) {
    FIconIndex = AValue;
    Changed();
}

void TTrayIcon::SetHint(const std::string& AValue) {
    FHint = AValue;
    Changed();
}

void TTrayIcon::DblClick() {
    if (OnDblClick) {
        OnDblClick(this);
    }
}

void TTrayIcon::ShowPopupMenu(int AX, int AY) {
    if (FPopupMenu != nullptr) {
        FPopupMenu->Popup(AX, AY);
    }
}

} // namespace ui
