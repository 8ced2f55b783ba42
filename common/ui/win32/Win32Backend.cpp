// The native backend: one message loop on the window thread, with a hidden message-only window that
// receives the workers' hand-off requests, so message boxes and modal loops serve them too.
#include "ui/SystemCommandLine.h"
#include "ui/Threads.h"
#include "ui/win32/Win32Peers.h"

#include "text/TextCodec.h"

#include <commctrl.h>

namespace ui {

namespace {

constexpr wchar_t SyncClass[] = L"TkSynchronize";

LRESULT CALLBACK SyncProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == win32::WM_TK_SYNCHRONIZE) {
        CheckSynchronize();
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

class Win32Backend : public IBackend {
public:
    Win32Backend() {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS |
                                                                   ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = SyncProc;
        wc.hInstance = win32::Instance();
        wc.lpszClassName = SyncClass;
        RegisterClassExW(&wc);
        FSync = CreateWindowExW(0, SyncClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, win32::Instance(),
                                nullptr);
    }

    std::unique_ptr<IControlPeer> CreatePeer(TControl& control) override {
        return win32::CreateNativePeer(control);
    }

    void HandleMessage() override {
        MSG msg;
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0) {
            Application().Terminate();
        } else if (got > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        CheckSynchronize();
    }

    void ProcessMessages() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                Application().Terminate();
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        CheckSynchronize();
    }

    void WakeMainThread() override { PostMessageW(FSync, win32::WM_TK_SYNCHRONIZE, 0, 0); }

    // The windows show the progress; there is no console to tell.
    void Announce(const std::string&) override {}

private:
    HWND FSync = nullptr;
};

} // namespace

// Never destroyed: a worker that frees itself may still wake the window thread while the process ends.
IBackend& Backend() {
    static Win32Backend* backend = new Win32Backend;
    return *backend;
}

std::string ProcessCommandLine() {
    return text::FromWide(GetCommandLineW());
}

} // namespace ui
