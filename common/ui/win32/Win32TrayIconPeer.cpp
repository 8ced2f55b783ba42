// The notification-area icon. Its window is a hidden top-level one, as only those hear the shell's
// "TaskbarCreated" broadcast, upon which the icon is added again; an add the shell refuses (it may not
// be up yet at logon) is retried until it succeeds.
#include "ui/ExtCtrls.h"
#include "ui/ImgList.h"
#include "ui/win32/Win32HiddenWindow.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32Pictures.h"

#include "text/TextCodec.h"

#include <shellapi.h>

namespace ui::win32 {

namespace {

constexpr UINT IconId = 1;
constexpr UINT_PTR RetryTimer = 1;
constexpr UINT RetryMs = 2000;

// An elevated program hears messages from the (unelevated) shell only when it lets them through;
// the functions exist from Windows 7 and Vista on, earlier systems need nothing.
void AllowFromShell(HWND AWindow, UINT AMessage) {
    using FilterEx = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    using Filter = BOOL(WINAPI*)(UINT, DWORD);
    HMODULE user = GetModuleHandleW(L"user32.dll");
    if (auto filterEx = reinterpret_cast<FilterEx>(
            reinterpret_cast<void (*)()>(GetProcAddress(user, "ChangeWindowMessageFilterEx")))) {
        filterEx(AWindow, AMessage, MSGFLT_ALLOW, nullptr);
    } else if (auto filter = reinterpret_cast<Filter>(
                   reinterpret_cast<void (*)()>(GetProcAddress(user, "ChangeWindowMessageFilter")))) {
        filter(AMessage, MSGFLT_ADD);
    }
}

class TrayIconPeer : public HiddenWindowPeer {
public:
    explicit TrayIconPeer(TTrayIcon& tray)
        : FTray(tray), FTaskbarCreated(RegisterWindowMessageW(L"TaskbarCreated")) {
        CreateHiddenWindow(L"TkTrayIcon", TKind::TopLevel);
        AllowFromShell(Handle(), FTaskbarCreated);
        AllowFromShell(Handle(), WM_TK_TRAY);
        Changed();
    }

    ~TrayIconPeer() override { Remove(); }

    void Changed() override {
        if (!FTray.Visible()) {
            Remove();
            return;
        }
        UpdateIcon();
        if (FAdded) {
            NOTIFYICONDATAW data = Data();
            if (Shell_NotifyIconW(NIM_MODIFY, &data)) {
                return;
            }
            FAdded = false;
        }
        Add();
    }

protected:
    bool Message(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override {
        result = 0;
        if (msg == FTaskbarCreated) {
            FAdded = false;
            Changed();
            return true;
        }
        if (msg == WM_TIMER && wp == RetryTimer) {
            KillTimer(Handle(), RetryTimer);
            Changed();
            return true;
        }
        if (msg != WM_TK_TRAY) {
            return false;
        }
        switch (LOWORD(lp)) {
        case WM_RBUTTONUP:
        case WM_CONTEXTMENU: {
            POINT cursor{};
            GetCursorPos(&cursor);
            FTray.ShowPopupMenu(cursor.x, cursor.y);
            break;
        }
        case WM_LBUTTONDBLCLK:
            FTray.DblClick();
            break;
        default:
            break;
        }
        return true;
    }

private:
    // The icon is made again only when the picture it shows changed.
    void UpdateIcon() {
        TImageList* icons = FTray.Icons();
        int index = FTray.IconIndex();
        bool present = icons != nullptr && index >= 0 && index < icons->Count();
        Shown shown{icons, index, present ? icons->Generation() : 0};
        if (FIcon && shown == FShown) {
            return;
        }
        FIcon = present ? MakeIcon(icons->Picture(index)) : plat::win::unique_hicon();
        FShown = shown;
    }

    NOTIFYICONDATAW Data() const {
        NOTIFYICONDATAW data{};
        // The size of the fields used, which every system since XP accepts.
        data.cbSize = NOTIFYICONDATAW_V3_SIZE;
        data.hWnd = Handle();
        data.uID = IconId;
        data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
        data.uCallbackMessage = WM_TK_TRAY;
        data.hIcon = FIcon.get();
        std::wstring tip = text::ToWide(FTray.Hint()).substr(0, std::size(data.szTip) - 1);
        tip.copy(data.szTip, tip.size());
        return data;
    }

    void Add() {
        NOTIFYICONDATAW data = Data();
        FAdded = Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
        if (!FAdded) {
            SetTimer(Handle(), RetryTimer, RetryMs, nullptr);
        }
    }

    void Remove() {
        KillTimer(Handle(), RetryTimer);
        if (FAdded) {
            NOTIFYICONDATAW data{};
            data.cbSize = NOTIFYICONDATAW_V3_SIZE;
            data.hWnd = Handle();
            data.uID = IconId;
            Shell_NotifyIconW(NIM_DELETE, &data);
            FAdded = false;
        }
    }

    struct Shown {
        const TImageList* Icons = nullptr;
        int Index = -1;
        unsigned Generation = 0;
        bool operator==(const Shown&) const = default;
    };

    TTrayIcon& FTray;
    UINT FTaskbarCreated;
    plat::win::unique_hicon FIcon;
    Shown FShown;
    bool FAdded = false;
};

} // namespace

std::unique_ptr<IControlPeer> NewTrayIconPeer(TTrayIcon& AComponent) {
    return std::make_unique<TrayIconPeer>(AComponent);
}

} // namespace ui::win32
