// The status bar, the common control, so that its text is read as a status bar's. It docks itself at
// the bottom of its parent with the height its font needs.
#include "ui/ComCtrls.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commctrl.h>

namespace ui::win32 {

namespace {

class StatusBarPeer : public ControlPeer {
public:
    explicit StatusBarPeer(TStatusBar& bar) : ControlPeer(bar), FBar(bar) {
        CreateControlWindow(0, STATUSCLASSNAMEW, CCS_BOTTOM);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        HWND window = Handle();
        SendMessageW(window, SB_SIMPLE, FBar.SimplePanel() ? TRUE : FALSE, 0);
        if (FBar.SimplePanel() && FBar.SimpleText() != FShown) {
            std::wstring text = text::ToWide(FBar.SimpleText());
            SendMessageW(window, SB_SETTEXTW, SB_SIMPLEID, reinterpret_cast<LPARAM>(text.c_str()));
            FShown = FBar.SimpleText();
        }
        ApplyCommon();
        SendMessageW(window, WM_SIZE, 0, 0);
    }

protected:
    // Wherever the bar is now: it places itself.
    RECT Placement() const override {
        if (Handle() == nullptr) {
            return ControlPeer::Placement();
        }
        RECT r{};
        GetWindowRect(Handle(), &r);
        MapWindowPoints(nullptr, GetParent(Handle()), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

private:
    TStatusBar& FBar;
    std::string FShown;
};

} // namespace

std::unique_ptr<IControlPeer> NewStatusBarPeer(TStatusBar& AControl) {
    return std::make_unique<StatusBarPeer>(AControl);
}

} // namespace ui::win32
