// One-line and multi-line text fields. What the user types reaches the component through SetText; the
// program's own changes are not echoed back as typing.
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

namespace ui::win32 {

namespace {

class EditPeer : public ControlPeer {
public:
    EditPeer(TEdit& edit, DWORD AStyle) : ControlPeer(edit), FEdit(edit) {
        CreateControlWindow(BorderExStyle(), L"EDIT", AStyle | ES_LEFT);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        HWND window = Handle();
        bool readOnly = (GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY) != 0;
        if (readOnly != FEdit.ReadOnly()) {
            SendMessageW(window, EM_SETREADONLY, FEdit.ReadOnly(), 0);
        }
        UpdateStyle(window, GWL_STYLE, ES_NUMBER, FEdit.NumbersOnly() ? ES_NUMBER : 0);
        if (UpdateStyle(window, GWL_EXSTYLE, WS_EX_CLIENTEDGE, BorderExStyle())) {
            SetWindowPos(window, nullptr, 0, 0, 0, 0,
                         SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        SendMessageW(window, EM_SETLIMITTEXT,
                     static_cast<WPARAM>(FEdit.MaxLength() > 0 ? FEdit.MaxLength() : 0), 0);
        SetWindowTextIfDifferent(window, FEdit.Text());
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == EN_CHANGE && !Applying()) {
                FEdit.SetText(text::FromWide(WindowText(Handle())));
            }
            result = 0;
            return true;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
            // Without colours of its own the field looks as the system draws it (grey when read-only).
            if (FEdit.Color() == clDefault && FEdit.Font().Color == clDefault) {
                return false;
            }
            result = ControlColors(reinterpret_cast<HDC>(wp), msg == WM_CTLCOLOREDIT ? clWindow : clBtnFace,
                                   COLOR_WINDOWTEXT, false);
            return true;
        default:
            return false;
        }
    }

private:
    LONG_PTR BorderExStyle() const {
        return FEdit.BorderStyle() == TBorderStyle::bsSingle ? WS_EX_CLIENTEDGE : 0;
    }

    TEdit& FEdit;
};

// The wrapping of a memo is fixed when its window is made: the system cannot change it later.
// Like the word wrap, the scroll bars are fixed when the window is made.
DWORD MemoStyle(const TMemo& memo) {
    DWORD style = ES_MULTILINE | ES_WANTRETURN | ES_AUTOVSCROLL;
    if (!memo.WordWrap()) {
        style |= ES_AUTOHSCROLL;
    }
    TScrollStyle bars = memo.ScrollBars();
    if (bars == TScrollStyle::ssVertical || bars == TScrollStyle::ssBoth) {
        style |= WS_VSCROLL;
    }
    if (bars == TScrollStyle::ssHorizontal || bars == TScrollStyle::ssBoth) {
        style |= WS_HSCROLL;
    }
    return style;
}

} // namespace

std::unique_ptr<IControlPeer> NewEditPeer(TEdit& AControl) {
    return std::make_unique<EditPeer>(AControl, ES_AUTOHSCROLL);
}
std::unique_ptr<IControlPeer> NewMemoPeer(TMemo& AControl) {
    return std::make_unique<EditPeer>(AControl, MemoStyle(AControl));
}

} // namespace ui::win32
