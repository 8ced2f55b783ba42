// Push buttons, picture buttons and check boxes. A click the system reports runs the component's own
// Click or Toggle, the path a headless test takes.
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32Pictures.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commctrl.h>

namespace ui::win32 {

namespace {

class ButtonPeer : public ControlPeer {
public:
    explicit ButtonPeer(TButton& button, DWORD AStyle = BS_PUSHBUTTON)
        : ControlPeer(button), FButton(button) {
        CreateControlWindow(0, L"BUTTON", AStyle);
    }

    void Changed() override {
        ApplyScope scope(*this);
        ApplyButtonStyle();
        SetWindowTextIfDifferent(Handle(), FButton.Caption());
        ApplyCommon();
        if (FButton.ElevationShield() != FShield) {
            FShield = FButton.ElevationShield();
            SendMessageW(Handle(), BCM_SETSHIELD, 0, FShield ? TRUE : FALSE);
        }
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED && !Applying()) {
                FButton.Click();
            }
            result = 0;
            return true;
        case WM_CTLCOLORBTN:
            // The corners around the rounded face show what the button sits on.
            result = ControlColors(reinterpret_cast<HDC>(wp), BackgroundUnder(FButton), COLOR_BTNTEXT, true);
            return true;
        default:
            return false;
        }
    }

protected:
    virtual void ApplyButtonStyle() {
        DWORD wanted = FButton.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        if ((GetWindowLongPtrW(Handle(), GWL_STYLE) & BS_TYPEMASK) != static_cast<LONG_PTR>(wanted)) {
            SendMessageW(Handle(), BM_SETSTYLE, wanted, TRUE);
        }
    }

    TButton& FButton;

private:
    bool FShield = false;
};

class PushButtonPeer : public ButtonPeer {
public:
    explicit PushButtonPeer(TButton& button) : ButtonPeer(button) { Changed(); }
};

// Drawn by the peer: the current picture of the strip (the disabled one while disabled) beside the
// caption, both centred, the caption still the window's text for screen readers.
class BitBtnPeer : public ButtonPeer {
public:
    explicit BitBtnPeer(TBitBtn& button) : ButtonPeer(button, BS_OWNERDRAW), FBitBtn(button) { Changed(); }

    void Changed() override {
        ButtonPeer::Changed();
        InvalidateRect(Handle(), nullptr, FALSE);
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        if (msg != WM_DRAWITEM) {
            return ButtonPeer::ParentNotify(msg, wp, lp, result);
        }
        Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }

protected:
    // An owner-drawn button keeps its type; Enter reaches the default button through the form.
    void ApplyButtonStyle() override {}

private:
    void Draw(const DRAWITEMSTRUCT& item) {
        HDC dc = item.hDC;
        RECT r = item.rcItem;
        bool pushed = (item.itemState & ODS_SELECTED) != 0;
        bool disabled = (item.itemState & ODS_DISABLED) != 0;
        FillRect(dc, &r, BrushFor(BackgroundUnder(FBitBtn), COLOR_BTNFACE));
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));

        TPicture glyph = FBitBtn.CurrentGlyph();
        std::wstring caption = text::ToWide(FBitBtn.Caption());
        plat::win::select_object_guard font(dc, FontFor(FBitBtn.Font()));
        SIZE textSize{0, 0};
        if (!caption.empty()) {
            GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &textSize);
        }
        int spacing = !caption.empty() && !glyph.Empty() ? Scale(4) : 0;
        int contentWidth = glyph.Width + spacing + textSize.cx;
        int shift = pushed ? 1 : 0;
        int left = r.left + ((r.right - r.left) - contentWidth) / 2 + shift;
        int middle = r.top + (r.bottom - r.top) / 2 + shift;
        if (!glyph.Empty()) {
            DrawPicture(dc, left, middle - glyph.Height / 2, glyph);
        }
        if (!caption.empty()) {
            RECT textRect{left + glyph.Width + spacing, r.top + shift, r.right, r.bottom + shift};
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, disabled ? GetSysColor(COLOR_GRAYTEXT)
                                      : ColorRefOf(FBitBtn.Font().Color, COLOR_BTNTEXT));
            DrawTextW(dc, caption.data(), static_cast<int>(caption.size()), &textRect,
                      DT_SINGLELINE | DT_VCENTER | DT_LEFT);
        }
        if ((item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0) {
            RECT focus = r;
            InflateRect(&focus, -Scale(3), -Scale(3));
            DrawFocusRect(dc, &focus);
        }
    }

    TBitBtn& FBitBtn;
};

// The system box changes its own check mark on a click; the component follows it once, whatever the
// order in which the two learn of the click.
class CheckBoxPeer : public ControlPeer {
public:
    explicit CheckBoxPeer(TCheckBox& box) : ControlPeer(box), FBox(box) {
        CreateControlWindow(0, L"BUTTON", BS_AUTOCHECKBOX);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        WPARAM state = FBox.Checked() ? BST_CHECKED : BST_UNCHECKED;
        if (static_cast<WPARAM>(SendMessageW(Handle(), BM_GETCHECK, 0, 0)) != state) {
            SendMessageW(Handle(), BM_SETCHECK, state, 0);
        }
        SetWindowTextIfDifferent(Handle(), FBox.Caption());
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == BN_CLICKED && !Applying()) {
                bool shown = SendMessageW(Handle(), BM_GETCHECK, 0, 0) == BST_CHECKED;
                if (shown != FBox.Checked()) {
                    FBox.Toggle();
                }
            }
            result = 0;
            return true;
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORSTATIC:
            result = ControlColors(reinterpret_cast<HDC>(wp), BackgroundUnder(FBox), COLOR_BTNTEXT, true);
            return true;
        default:
            return false;
        }
    }

private:
    TCheckBox& FBox;
};

} // namespace

std::unique_ptr<IControlPeer> NewButtonPeer(TButton& AControl) {
    return std::make_unique<PushButtonPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewBitBtnPeer(TBitBtn& AControl) {
    return std::make_unique<BitBtnPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewCheckBoxPeer(TCheckBox& AControl) {
    return std::make_unique<CheckBoxPeer>(AControl);
}

} // namespace ui::win32
