#include "ui/win32/Win32HiddenWindow.h"

#include "ui/win32/Win32Guard.h"

namespace ui::win32 {

void HiddenWindowPeer::CreateHiddenWindow(const wchar_t* AClass, TKind AKind) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = Instance();
    wc.lpszClassName = AClass;
    RegisterWindowClass(wc);
    bool topLevel = AKind == TKind::TopLevel;
    CreateWindowChecked(topLevel ? WS_EX_TOOLWINDOW : 0, AClass, topLevel ? WS_POPUP : 0, 0, 0, 0, 0,
                        topLevel ? nullptr : HWND_MESSAGE, this);
}

LRESULT CALLBACK HiddenWindowPeer::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        static_cast<HiddenWindowPeer*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams)->Attach(hwnd);
    }
    auto* self = dynamic_cast<HiddenWindowPeer*>(PeerOfWindow(hwnd));
    LRESULT result = 0;
    if (self != nullptr && Guarded([&] { return LRESULT(self->Message(msg, wp, lp, result)); })) {
        return result;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace ui::win32
