#include "ui/win32/Win32WindowPeer.h"

#include "ui/ExtCtrls.h"
#include "ui/win32/Win32FormPeer.h"

#include <algorithm>

namespace ui::win32 {

namespace {

constexpr wchar_t PeerProperty[] = L"TkPeer";

// Ids above IDOK and IDCANCEL, which the dialog manager sends for Enter and Escape.
UINT_PTR NextControlId() {
    static UINT_PTR id = 100;
    return id++;
}

bool Contains(const TRect& AOuter, const TRect& AInner) {
    return AInner.Left >= AOuter.Left && AInner.Top >= AOuter.Top && AInner.Right <= AOuter.Right &&
           AInner.Bottom <= AOuter.Bottom;
}

} // namespace

// A window that went with its parent's no longer carries this peer (a new window may even have its
// handle by now), so only a window still marked as ours is destroyed.
WindowPeer::~WindowPeer() {
    HWND window = FHandle.get();
    if (window == nullptr) {
        return;
    }
    if (GetPropW(window, PeerProperty) == this) {
        RemovePropW(window, PeerProperty);
    } else {
        static_cast<void>(FHandle.release());
    }
}

void WindowPeer::Attach(HWND AWindow) {
    FHandle.reset(AWindow);
    SetPropW(AWindow, PeerProperty, this);
}

void WindowPeer::Invalidate() {
    InvalidateRect(Handle(), nullptr, TRUE);
}

WindowPeer* PeerOfWindow(HWND AWindow) {
    return AWindow != nullptr ? static_cast<WindowPeer*>(GetPropW(AWindow, PeerProperty)) : nullptr;
}

HWND WindowOf(const TComponent* AComponent) {
    auto* peer = AComponent ? dynamic_cast<WindowPeer*>(AComponent->Peer()) : nullptr;
    return peer ? peer->Handle() : nullptr;
}

bool RouteToChild(UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult) {
    HWND child = nullptr;
    switch (AMessage) {
    case WM_COMMAND:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORSTATIC:
        child = reinterpret_cast<HWND>(ALParam);
        break;
    case WM_NOTIFY:
        child = reinterpret_cast<NMHDR*>(ALParam)->hwndFrom;
        break;
    case WM_DRAWITEM: {
        auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(ALParam);
        child = item->CtlType == ODT_MENU ? nullptr : item->hwndItem;
        break;
    }
    default:
        return false;
    }
    WindowPeer* peer = PeerOfWindow(child);
    return peer != nullptr && peer->ParentNotify(AMessage, AWParam, ALParam, AResult);
}

TColor BackgroundUnder(const TControl& AControl) {
    TControl* parent = AControl.Parent();
    if (parent == nullptr || parent == &AControl) {
        return AControl.Color() != clDefault ? AControl.Color() : clBtnFace;
    }
    std::vector<TControl*> siblings = parent->Children();
    auto self = std::find(siblings.begin(), siblings.end(), &AControl);
    for (auto it = std::make_reverse_iterator(self); it != siblings.rend(); ++it) {
        auto* shape = dynamic_cast<TShape*>(*it);
        if (shape != nullptr && shape->Visible() && Contains(shape->BoundsRect(), AControl.BoundsRect())) {
            return shape->BrushColor();
        }
    }
    for (TControl* p = parent; p != nullptr; p = p->Parent()) {
        if (p->Color() != clDefault) {
            return p->Color();
        }
        if (dynamic_cast<TForm*>(p) != nullptr) {
            break;
        }
    }
    return clBtnFace;
}

ControlPeer::~ControlPeer() {
    FormHints::Remove(FHintWindow, Handle());
}

void ControlPeer::SetFocus() {
    HWND root = GetAncestor(Handle(), GA_ROOT);
    if (GetActiveWindow() == root) {
        ::SetFocus(Handle());
    } else if (FormPeer* form = FormPeerOf(FControl.ParentForm())) {
        form->RememberFocus(Handle());
    }
}

void ControlPeer::CreateControlWindow(DWORD AExStyle, const wchar_t* AClass, DWORD AStyle,
                                      void* ACreateParam) {
    RECT r = Placement();
    HWND window = CreateWindowChecked(AExStyle, AClass, WS_CHILD | WS_CLIPSIBLINGS | AStyle, r.left, r.top,
                                      r.right - r.left, r.bottom - r.top, WindowOf(FControl.Parent()),
                                      ACreateParam, NextControlId());
    Attach(window);
}

RECT ControlPeer::Placement() const {
    return {Scale(FControl.Left()), Scale(FControl.Top()), Scale(FControl.Left() + FControl.Width()),
            Scale(FControl.Top() + FControl.Height())};
}

void ControlPeer::ApplyCommon() {
    HWND window = Handle();
    bool repaint = false;
    const TFont& font = FControl.Font();
    if (!FFontApplied || !(font == FAppliedFont)) {
        SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), FALSE);
        FAppliedFont = font;
        FFontApplied = true;
        repaint = true;
    }
    if (FControl.Color() != FAppliedColor) {
        FAppliedColor = FControl.Color();
        repaint = true;
    }
    if ((IsWindowEnabled(window) != FALSE) != FControl.Enabled()) {
        EnableWindow(window, FControl.Enabled());
    }
    UpdateStyle(window, GWL_STYLE, WS_TABSTOP, FControl.TabStop() ? WS_TABSTOP : 0);
    RECT place = Placement();
    if (!EqualRect(&place, &FAppliedPlace)) {
        SetWindowPos(window, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
        FAppliedPlace = place;
    }
    bool visible = WantsVisible();
    if (((GetWindowLongPtrW(window, GWL_STYLE) & WS_VISIBLE) != 0) != visible) {
        ShowWindow(window, visible ? SW_SHOWNA : SW_HIDE);
    }
    if (repaint) {
        InvalidateRect(window, nullptr, TRUE);
    }
    ApplyHint();
}

void ControlPeer::ApplyHint() {
    FormPeer* form = FormPeerOf(FControl.ParentForm());
    std::string hint = FControl.ShowHint() ? FControl.Hint() : std::string();
    if (form == nullptr || (hint.empty() && FHintWindow == nullptr)) {
        return;
    }
    HWND tooltip = form->Hints().Set(Handle(), hint);
    FHintWindow = hint.empty() ? nullptr : tooltip;
}

LRESULT ControlPeer::ControlColors(HDC ADC, TColor ADefaultBack, int ADefaultText,
                                   bool ATransparentText) const {
    TColor back = FControl.Color() != clDefault ? FControl.Color() : ADefaultBack;
    SetTextColor(ADC, ColorRefOf(FControl.Font().Color, ADefaultText));
    SetBkColor(ADC, ColorRefOf(back, COLOR_BTNFACE));
    if (ATransparentText) {
        SetBkMode(ADC, TRANSPARENT);
    }
    return reinterpret_cast<LRESULT>(BrushFor(back, COLOR_BTNFACE));
}

} // namespace ui::win32
