#pragma once
// Panels, shapes, timers and the notification-area (tray) icon.
#include "ui/Forms.h"

#include <cstdint>
#include <string>

namespace ui {

class TImageList;
class TPopupMenu;

enum class TBevelCut { bvNone, bvLowered, bvRaised };

// A container with an optional bevel; its children move, show and hide with it.
class TPanel : public TControl {
public:
    using TControl::TControl;
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut AValue);

private:
    TBevelCut FBevelOuter = TBevelCut::bvRaised;
};

enum class TPenStyle { psSolid, psClear };

// A filled rectangle.
class TShape : public TControl {
public:
    using TControl::TControl;
    TColor BrushColor() const { return FBrushColor; }
    void SetBrushColor(TColor AValue);
    TPenStyle PenStyle() const { return FPenStyle; }
    void SetPenStyle(TPenStyle AValue);
    TColor PenColor() const { return FPenColor; }
    void SetPenColor(TColor AValue);

private:
    TColor FBrushColor = clWhite;
    TPenStyle FPenStyle = TPenStyle::psSolid;
    TColor FPenColor = clBlack;
};

// Runs OnTimer on the window thread every Interval milliseconds while enabled.
class TTimer : public TComponent {
public:
    TTimer(TComponent* AOwner, std::string AName);
    ~TTimer() override;
    uint32_t Interval() const { return FInterval; }
    void SetInterval(uint32_t AValue);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool AValue);
    std::function<void(TComponent*)> OnTimer;
    // One tick: the peer calls it when the interval has passed (tests call it to step time).
    void Timer();

private:
    // A timer runs (has a peer that ticks) exactly while it is enabled with an interval.
    void UpdateTimer();

    uint32_t FInterval = 1000;
    bool FEnabled = true;
};

// The program's icon in the notification area: one picture of an image list, a hint, a menu on the
// right click and a command on the double click. The icon is added again when the shell restarts.
class TTrayIcon : public TComponent {
public:
    TTrayIcon(TComponent* AOwner, std::string AName);
    ~TTrayIcon() override;
    bool Visible() const { return FVisible; }
    void SetVisible(bool AValue);
    TImageList* Icons() const { return FIcons; }
    void SetIcons(TImageList* AValue);
    int IconIndex() const { return FIconIndex; }
    void SetIconIndex(int AValue);
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& AValue);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* AValue) { FPopupMenu = AValue; }
    std::function<void(TComponent*)> OnDblClick;
    // What the user does to the icon (the peer calls these, tests too).
    void DblClick();
    // The right click: the menu pops up at the given screen position.
    void ShowPopupMenu(int AX = 0, int AY = 0);

private:
    bool FVisible = false;
    TImageList* FIcons = nullptr;
    int FIconIndex = 0;
    std::string FHint;
    TPopupMenu* FPopupMenu = nullptr;
};

} // namespace ui
