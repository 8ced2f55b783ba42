// Controls that hold other controls: panels, group boxes, page controls and their sheets. Their children are
// real child windows of theirs (they move, show and hide with them, and Tab walks into them), and the
// messages the children send up are handed on to the children's peers.
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Guard.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32Shapes.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

namespace ui::win32 {

namespace {

constexpr wchar_t ContainerClass[] = L"TkPanel";

// A window of our own class: it paints its background (and what the kind of container adds) and
// passes its children's messages on.
class ContainerPeer : public ControlPeer {
public:
    explicit ContainerPeer(TControl& control) : ControlPeer(control) {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = Instance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = ContainerClass;
        RegisterWindowClass(wc);
        CreateControlWindow(WS_EX_CONTROLPARENT, ContainerClass, WS_CLIPCHILDREN, this);
    }

    void Changed() override {
        ApplyScope scope(*this);
        SetWindowTextIfDifferent(Handle(), FControl.Caption());
        ApplyCommon();
        InvalidateRect(Handle(), nullptr, TRUE);
    }

protected:
    // What the kind of container draws over its background.
    virtual void Paint(HDC, const RECT&) {}

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            static_cast<ContainerPeer*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams)->Attach(hwnd);
        }
        auto* self = dynamic_cast<ContainerPeer*>(PeerOfWindow(hwnd));
        if (self == nullptr) {
            return DefWindowProcW(hwnd, msg, wp, lp);
        }
        return Guarded([&] { return self->Dispatch(msg, wp, lp); });
    }

    LRESULT Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
        LRESULT result = 0;
        switch (msg) {
        case WM_ERASEBKGND: {
            RECT r{};
            GetClientRect(Handle(), &r);
            TColor back = FControl.Color() != clDefault ? FControl.Color() : BackgroundUnder(FControl);
            FillRect(reinterpret_cast<HDC>(wp), &r, BrushFor(back, COLOR_BTNFACE));
            PaintShapes(reinterpret_cast<HDC>(wp), FControl);
            return 1;
        }
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(Handle(), &ps);
            RECT r{};
            GetClientRect(Handle(), &r);
            Paint(dc, r);
            EndPaint(Handle(), &ps);
            return 0;
        }
        default:
            // What the children send up (commands, notifications, drawing, colours) goes to their peers.
            if (RouteToChild(msg, wp, lp, result)) {
                return result;
            }
            break;
        }
        return DefWindowProcW(Handle(), msg, wp, lp);
    }
};

// A panel draws its bevel and, centred, its caption.
class PanelPeer : public ContainerPeer {
public:
    explicit PanelPeer(TPanel& panel) : ContainerPeer(panel), FPanel(panel) { Changed(); }

protected:
    void Paint(HDC dc, const RECT& client) override {
        RECT r = client;
        if (FPanel.BevelOuter() != TBevelCut::bvNone) {
            DrawEdge(dc, &r, FPanel.BevelOuter() == TBevelCut::bvRaised ? BDR_RAISEDINNER : BDR_SUNKENOUTER,
                     BF_RECT | BF_ADJUST);
        }
        if (FPanel.Caption().empty()) {
            return;
        }
        std::wstring caption = text::ToWide(FPanel.Caption());
        plat::win::select_object_guard font(dc, FontFor(FPanel.Font()));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, FPanel.Enabled() ? ColorRefOf(FPanel.Font().Color, COLOR_BTNTEXT)
                                          : GetSysColor(COLOR_GRAYTEXT));
        DrawTextW(dc, caption.data(), static_cast<int>(caption.size()), &r,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }

private:
    TPanel& FPanel;
};

// A system control that holds other controls (a group box, a tab control): subclassed, it hands the
// messages its children send up on to their peers.
class SystemContainerPeer : public ControlPeer {
public:
    SystemContainerPeer(TControl& control, const wchar_t* AClass, DWORD AStyle) : ControlPeer(control) {
        CreateControlWindow(WS_EX_CONTROLPARENT, AClass, AStyle | WS_CLIPCHILDREN);
        SetWindowSubclass(Handle(), SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }

    ~SystemContainerPeer() override { RemoveWindowSubclass(Handle(), SubclassProc, 0); }

protected:
    // Paints the inside where the system control leaves it to its parent; false leaves it to the control.
    virtual bool EraseBackground(HDC) { return false; }

private:
    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                         DWORD_PTR data) {
        auto* self = reinterpret_cast<SystemContainerPeer*>(data);
        return Guarded([&]() -> LRESULT {
            LRESULT result = 0;
            switch (msg) {
            case WM_ERASEBKGND:
                if (self->EraseBackground(reinterpret_cast<HDC>(wp))) {
                    return 1;
                }
                break;
            default:
                if (RouteToChild(msg, wp, lp, result)) {
                    return result;
                }
                break;
            }
            return DefSubclassProc(hwnd, msg, wp, lp);
        });
    }
};

// The system group box, whose inside its parent's clipping leaves to it.
class GroupBoxPeer : public SystemContainerPeer {
public:
    explicit GroupBoxPeer(TGroupBox& group)
        : SystemContainerPeer(group, L"BUTTON", BS_GROUPBOX), FGroup(group) {
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        SetWindowTextIfDifferent(Handle(), FGroup.Caption());
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        if (msg != WM_CTLCOLORSTATIC && msg != WM_CTLCOLORBTN) {
            return false;
        }
        result = ControlColors(reinterpret_cast<HDC>(wp), BackgroundUnder(FGroup), COLOR_BTNTEXT, false);
        return true;
    }

protected:
    bool EraseBackground(HDC dc) override {
        RECT r{};
        GetClientRect(Handle(), &r);
        FillRect(dc, &r, BrushFor(BackgroundUnder(FGroup), COLOR_BTNFACE));
        PaintShapes(dc, FGroup);
        return true;
    }

private:
    TGroupBox& FGroup;
};

// The system tab control, with a tab for each sheet that shows one; the sheets are its child windows
// over its display area. With every tab hidden (the program picks the page itself) the active sheet
// covers the whole control.
class PageControlPeer : public SystemContainerPeer {
public:
    explicit PageControlPeer(TPageControl& pages)
        : SystemContainerPeer(pages, WC_TABCONTROLW, 0), FPages(pages) {
        Changed();
    }

    void Changed() override {
        {
            ApplyScope scope(*this);
            ApplyTabs();
            ApplyCommon();
        }
        for (TTabSheet* sheet : FPages.Pages()) {
            if (IControlPeer* peer = sheet->Peer()) {
                peer->Changed();
            }
        }
    }

    bool ParentNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result) override {
        if (msg != WM_NOTIFY) {
            return false;
        }
        result = 0;
        if (reinterpret_cast<const NMHDR*>(lp)->code == TCN_SELCHANGE && !Applying()) {
            auto tab = static_cast<size_t>(SendMessageW(Handle(), TCM_GETCURSEL, 0, 0));
            if (tab < FTabbed.size()) {
                FPages.SetActivePage(FTabbed[tab]);
            }
        }
        return true;
    }

    // A sheet's tab may have come, gone or changed its caption. When the tab row came or went, the
    // display area changed for every sheet, not only for the one whose tab it was.
    void SheetChanged() {
        bool areaChanged = false;
        {
            ApplyScope scope(*this);
            areaChanged = ApplyTabs();
        }
        if (areaChanged) {
            for (TTabSheet* sheet : FPages.Pages()) {
                if (IControlPeer* peer = sheet->Peer()) {
                    peer->Changed();
                }
            }
        }
    }

    RECT DisplayArea() const {
        RECT r{};
        GetClientRect(Handle(), &r);
        if (!FTabbed.empty()) {
            SendMessageW(Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
        }
        return r;
    }

private:
    // Whether the tab row appeared or disappeared.
    bool ApplyTabs() {
        const bool hadTabs = !FTabbed.empty();
        std::vector<TTabSheet*> tabbed;
        std::vector<std::string> captions;
        for (TTabSheet* sheet : FPages.Pages()) {
            if (sheet->TabVisible() && sheet->Visible()) {
                tabbed.push_back(sheet);
                captions.push_back(sheet->Caption());
            }
        }
        if (tabbed != FTabbed || captions != FCaptions) {
            SendMessageW(Handle(), TCM_DELETEALLITEMS, 0, 0);
            for (size_t i = 0; i < captions.size(); ++i) {
                std::wstring text = text::ToWide(captions[i]);
                TCITEMW item{};
                item.mask = TCIF_TEXT;
                item.pszText = text.data();
                SendMessageW(Handle(), TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
            }
            FTabbed = tabbed;
            FCaptions = captions;
        }
        auto active = std::find(FTabbed.begin(), FTabbed.end(), FPages.ActivePage());
        int tab = active == FTabbed.end() ? -1 : static_cast<int>(active - FTabbed.begin());
        if (SendMessageW(Handle(), TCM_GETCURSEL, 0, 0) != tab) {
            SendMessageW(Handle(), TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
        }
        return hadTabs != !FTabbed.empty();
    }

    TPageControl& FPages;
    std::vector<TTabSheet*> FTabbed;
    std::vector<std::string> FCaptions;
};

class TabSheetPeer : public ContainerPeer {
public:
    explicit TabSheetPeer(TTabSheet& sheet) : ContainerPeer(sheet), FSheet(sheet) { Changed(); }

    // The tabs first: they decide the area the sheet covers.
    void Changed() override {
        if (PageControlPeer* pages = Pages()) {
            pages->SheetChanged();
        }
        ContainerPeer::Changed();
    }

protected:
    RECT Placement() const override {
        if (PageControlPeer* pages = Pages()) {
            return pages->DisplayArea();
        }
        RECT r{};
        GetClientRect(WindowOf(FSheet.Parent()), &r);
        return r;
    }
    bool WantsVisible() const override {
        TPageControl* pages = FSheet.PageControl();
        return FSheet.Visible() && pages != nullptr && pages->ActivePage() == &FSheet;
    }

private:
    PageControlPeer* Pages() const {
        TControl* parent = FSheet.Parent();
        return parent != nullptr ? dynamic_cast<PageControlPeer*>(parent->Peer()) : nullptr;
    }

    TTabSheet& FSheet;
};

} // namespace

std::unique_ptr<IControlPeer> NewPanelPeer(TPanel& AControl) {
    return std::make_unique<PanelPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewGroupBoxPeer(TGroupBox& AControl) {
    return std::make_unique<GroupBoxPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewPageControlPeer(TPageControl& AControl) {
    return std::make_unique<PageControlPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewTabSheetPeer(TTabSheet& AControl) {
    return std::make_unique<TabSheetPeer>(AControl);
}

} // namespace ui::win32
