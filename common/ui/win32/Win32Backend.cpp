// The native backend: one message loop on the window thread, with a hidden message-only window that
// receives the workers' hand-off requests, so message boxes and modal loops serve them too.
#include "ui/SystemCommandLine.h"
#include "ui/Threads.h"
#include "ui/win32/Win32AppWindow.h"
#include "ui/win32/Win32FormPeer.h"
#include "ui/win32/Win32Guard.h"
#include "ui/win32/Win32Peers.h"

#include "text/TextCodec.h"

#include <commctrl.h>

#include <iostream>

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

// Tab, the arrow keys, Enter and Escape move between and press the controls of the form the message
// is for, as in a dialog box.
bool DialogKey(MSG& msg) {
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    return dynamic_cast<win32::FormPeer*>(win32::PeerOfWindow(root)) != nullptr &&
           IsDialogMessageW(root, &msg);
}

void Dispatch(MSG& msg) {
    if (!DialogKey(msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Without the hand-off window no worker could ever be served, so the backend exists only with it.
class Win32Backend : public IBackend {
public:
    Win32Backend() {
        INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_ANIMATE_CLASS |
                                                                   ICC_STANDARD_CLASSES | ICC_BAR_CLASSES |
                                                                   ICC_TREEVIEW_CLASSES | ICC_TAB_CLASSES};
        InitCommonControlsEx(&icc);
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = SyncProc;
        wc.hInstance = win32::Instance();
        wc.lpszClassName = SyncClass;
        win32::RegisterWindowClass(wc);
        FSync.reset(win32::CreateWindowChecked(0, SyncClass, 0, 0, 0, 0, 0, HWND_MESSAGE));
    }

    std::unique_ptr<IControlPeer> CreatePeer(TComponent& component) override {
        return win32::CreateNativePeer(component);
    }

    void SetTaskbarButtonVisible(bool AVisible) override {
        win32::ApplicationWindow::Get().SetButtonWanted(AVisible);
    }

    // GetMessageW's -1 is no message but a loop that cannot go on (its message is not filled in).
    void HandleMessage() override {
        MSG msg;
        BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got == -1) {
            win32::RaiseLastError("The message loop cannot get messages");
        }
        if (got == 0) {
            Application().Terminate();
        } else {
            Dispatch(msg);
        }
        CheckSynchronize();
        win32::RaiseKeptHandlerError();
    }

    void ProcessMessages() override {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                Application().Terminate();
                break;
            }
            Dispatch(msg);
        }
        CheckSynchronize();
        win32::RaiseKeptHandlerError();
    }

    void WakeMainThread() override {
        if (!PostMessageW(FSync.get(), win32::WM_TK_SYNCHRONIZE, 0, 0)) {
            win32::RaiseLastError("Cannot reach the window thread");
        }
    }

    // The windows show the progress; there is no console to tell.
    void Announce(const std::string&) override {}

    void ReportFault(const std::string& text) override {
        std::cerr << text << std::endl;
        OutputDebugStringW(text::ToWide(text + "\n").c_str());
    }

private:
    plat::win::unique_hwnd FSync;
};

} // namespace

IBackend& BuildBackend() {
    static Win32Backend* backend = new Win32Backend;
    return *backend;
}

std::string ProcessCommandLine() {
    return text::FromWide(GetCommandLineW());
}

} // namespace ui
