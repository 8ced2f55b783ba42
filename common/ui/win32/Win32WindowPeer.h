#pragma once
// The peer every native window has, and the peer of a control: its window is a child of its parent
// control's window, placed, enabled, shown and given its font and hint from the control's state.
#include "ui/win32/Win32Common.h"

namespace ui::win32 {

class WindowPeer : public IControlPeer {
public:
    ~WindowPeer() override;
    HWND Handle() const { return FHandle.get(); }
    plat::Handle WindowHandle() const override { return reinterpret_cast<plat::Handle>(FHandle.get()); }

    // Messages a child window sends to its parent (commands, notifications, drawing, colours) reach the
    // child's peer here; true when the peer answered them.
    virtual bool ParentNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

    void Invalidate() override;

    // Takes the window and makes its peer findable from it; windows of our own classes are attached
    // by their first message, system controls right after their creation.
    void Attach(HWND AWindow);

protected:
    plat::win::unique_hwnd FHandle;
};

// The peer of one of our windows, or nullptr.
WindowPeer* PeerOfWindow(HWND AWindow);
// The native window of a component's peer, or nullptr.
HWND WindowOf(const TComponent* AComponent);

// Hands a message a child sent to its parent on to the child's peer (WM_COMMAND, WM_NOTIFY,
// WM_DRAWITEM, WM_CTLCOLOR*); false when no peer of ours answered it.
bool RouteToChild(UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult);

// The colour a control sits on: a shape beneath it, else the nearest parent with a colour of its own,
// else the button face.
TColor BackgroundUnder(const TControl& AControl);

class ControlPeer : public WindowPeer {
public:
    explicit ControlPeer(TControl& AControl) : FControl(AControl) {}
    ~ControlPeer() override;
    void SetFocus() override;

protected:
    // Makes the control's window as a hidden child of its parent's window, with a control id of its own.
    // Windows of our own classes get the peer as their creation parameter.
    void CreateControlWindow(DWORD AExStyle, const wchar_t* AClass, DWORD AStyle,
                             void* ACreateParam = nullptr);
    // Font, enabled state, tab stop, place, visibility and hint, as far as they changed.
    void ApplyCommon();
    // Where the window goes in its parent's client area, in screen pixels.
    virtual RECT Placement() const;
    virtual bool WantsVisible() const { return FControl.Visible(); }
    // Text and background of WM_CTLCOLOR*: the control's font colour and colour, else the defaults given.
    LRESULT ControlColors(HDC ADC, TColor ADefaultBack, int ADefaultText, bool ATransparentText) const;

    // While the peer writes to its window, what the window reports is the program's doing, not the
    // user's: notifications seen meanwhile are not handed to the component.
    bool Applying() const { return FApplying > 0; }
    class ApplyScope {
    public:
        explicit ApplyScope(ControlPeer& APeer) : FPeer(APeer) { ++FPeer.FApplying; }
        ~ApplyScope() { --FPeer.FApplying; }
        ApplyScope(const ApplyScope&) = delete;
        ApplyScope& operator=(const ApplyScope&) = delete;

    private:
        ControlPeer& FPeer;
    };

    TControl& FControl;

private:
    void ApplyHint();

    int FApplying = 0;
    bool FFontApplied = false;
    TFont FAppliedFont;
    TColor FAppliedColor = clDefault;
    RECT FAppliedPlace{-1, -1, -1, -1};
    HWND FHintWindow = nullptr;
};

} // namespace ui::win32
