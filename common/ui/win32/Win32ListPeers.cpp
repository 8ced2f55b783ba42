// Drop-down lists and list boxes. An owner-drawn list box keeps its item strings (screen readers and
// automation read them) and has each item drawn by the component through a canvas over the item's DC.
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Canvas.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace ui::win32 {

namespace {

// The list's messages for one kind of list: combo boxes and list boxes differ only in their names.
struct ListMessages {
    UINT Reset, Add, GetSel, SetSel;
};
constexpr ListMessages ComboMessages{CB_RESETCONTENT, CB_ADDSTRING, CB_GETCURSEL, CB_SETCURSEL};
constexpr ListMessages ListBoxMessages{LB_RESETCONTENT, LB_ADDSTRING, LB_GETCURSEL, LB_SETCURSEL};

// Brings the window's items and selection up to the component's; the items are written only when
// they differ from what the window shows.
void ApplyItems(HWND AWindow, const ListMessages& AMessages, const std::vector<std::string>& AItems,
                std::vector<std::string>& AShown, int AIndex) {
    if (AItems != AShown) {
        SendMessageW(AWindow, AMessages.Reset, 0, 0);
        for (const std::string& item : AItems) {
            std::wstring text = text::ToWide(item);
            SendMessageW(AWindow, AMessages.Add, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        AShown = AItems;
    }
    if (static_cast<int>(SendMessageW(AWindow, AMessages.GetSel, 0, 0)) != AIndex) {
        SendMessageW(AWindow, AMessages.SetSel, static_cast<WPARAM>(AIndex), 0);
    }
}

class ComboBoxPeer : public ControlPeer {
public:
    explicit ComboBoxPeer(TComboBox& combo) : ControlPeer(combo), FCombo(combo) {
        CreateControlWindow(0, WC_COMBOBOXW, CBS_DROPDOWNLIST | CBS_HASSTRINGS | WS_VSCROLL);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        ApplyItems(Handle(), ComboMessages, FCombo.Items(), FShown, FCombo.ItemIndex());
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        switch (msg) {
        case WM_COMMAND:
            if (HIWORD(wp) == CBN_SELCHANGE && !Applying()) {
                int index = static_cast<int>(SendMessageW(Handle(), CB_GETCURSEL, 0, 0));
                if (index >= 0) {
                    FCombo.Select(index);
                }
            }
            result = 0;
            return true;
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORLISTBOX:
            if (FCombo.Color() == clDefault && FCombo.Font().Color == clDefault) {
                return false;
            }
            result = ControlColors(reinterpret_cast<HDC>(wp), clWindow, COLOR_WINDOWTEXT, false);
            return true;
        default:
            return false;
        }
    }

protected:
    // The window's height includes the list that drops down.
    RECT Placement() const override {
        RECT r = ControlPeer::Placement();
        r.bottom += Scale(200);
        return r;
    }

private:
    TComboBox& FCombo;
    std::vector<std::string> FShown;
};

class ListBoxPeer : public ControlPeer {
public:
    explicit ListBoxPeer(TListBox& list) : ControlPeer(list), FList(list) {
        DWORD ownerDraw =
            list.Style() == TListBoxStyle::lbOwnerDrawFixed ? LBS_OWNERDRAWFIXED | LBS_HASSTRINGS : 0;
        CreateControlWindow(WS_EX_CLIENTEDGE, WC_LISTBOXW,
                            LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | ownerDraw);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        if (FList.Style() == TListBoxStyle::lbOwnerDrawFixed) {
            int height = Scale(FList.ItemHeight());
            if (SendMessageW(Handle(), LB_GETITEMHEIGHT, 0, 0) != height) {
                SendMessageW(Handle(), LB_SETITEMHEIGHT, 0, height);
            }
        }
        ApplyItems(Handle(), ListBoxMessages, FList.Items(), FShown, FList.ItemIndex());
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        switch (msg) {
        case WM_COMMAND:
            if (!Applying() && HIWORD(wp) == LBN_SELCHANGE) {
                int index = static_cast<int>(SendMessageW(Handle(), LB_GETCURSEL, 0, 0));
                if (index >= 0) {
                    FList.Select(index);
                }
            } else if (!Applying() && HIWORD(wp) == LBN_DBLCLK) {
                FList.DblClick();
            }
            result = 0;
            return true;
        case WM_DRAWITEM:
            DrawItem(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
            result = TRUE;
            return true;
        case WM_CTLCOLORLISTBOX:
            if (FList.Color() == clDefault && FList.Font().Color == clDefault) {
                return false;
            }
            result = ControlColors(reinterpret_cast<HDC>(wp), clWindow, COLOR_WINDOWTEXT, false);
            return true;
        default:
            return false;
        }
    }

private:
    // The canvas starts with the colours of the item's state, as the component's drawing expects.
    void DrawItem(const DRAWITEMSTRUCT& item) {
        if (item.itemID == static_cast<UINT>(-1)) {
            return;
        }
        TOwnerDrawState state;
        state.Selected = (item.itemState & ODS_SELECTED) != 0;
        state.Focused = (item.itemState & ODS_FOCUS) != 0;
        state.Disabled = (item.itemState & ODS_DISABLED) != 0;
        DeviceCanvas canvas(item.hDC, FList.Font());
        canvas.BrushColor =
            state.Selected ? clHighlight : (FList.Color() != clDefault ? FList.Color() : clWindow);
        canvas.FontColor = state.Selected
                               ? clHighlightText
                               : (FList.Font().Color != clDefault ? FList.Font().Color : clWindowText);
        TRect rect{item.rcItem.left, item.rcItem.top, item.rcItem.right, item.rcItem.bottom};
        FList.DrawItem(canvas, static_cast<int>(item.itemID), rect, state);
        if (state.Focused && (item.itemState & ODS_NOFOCUSRECT) == 0) {
            DrawFocusRect(item.hDC, &item.rcItem);
        }
    }

    TListBox& FList;
    std::vector<std::string> FShown;
};

} // namespace

std::unique_ptr<IControlPeer> NewComboBoxPeer(TComboBox& AControl) {
    return std::make_unique<ComboBoxPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewListBoxPeer(TListBox& AControl) {
    return std::make_unique<ListBoxPeer>(AControl);
}

} // namespace ui::win32
