#include "ui/win32/Win32AppWindow.h"

#include "ui/win32/Win32Guard.h"
#include "ui/win32/Win32WindowPeer.h"

namespace ui::win32 {

namespace {

constexpr wchar_t ApplicationClass[] = L"TkApplication";

bool OwnsAVisibleForm(HWND AOwner) {
    for (TForm* form : Screen().Forms()) {
        HWND window = WindowOf(form);
        if (window != nullptr && GetWindow(window, GW_OWNER) == AOwner && IsWindowVisible(window)) {
            return true;
        }
    }
    return false;
}

} // namespace

ApplicationWindow& ApplicationWindow::Get() {
    static ApplicationWindow* window = new ApplicationWindow;
    return *window;
}

ApplicationWindow::ApplicationWindow() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = Instance();
    wc.hIcon = LoadIconW(Instance(), L"MAINICON");
    wc.lpszClassName = ApplicationClass;
    RegisterWindowClass(wc);
    int x = GetSystemMetrics(SM_CXSCREEN) / 2;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2;
    FHandle.reset(CreateWindowChecked(WS_EX_APPWINDOW, ApplicationClass,
                                      WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y, 0, 0,
                                      nullptr));
}

void ApplicationWindow::SetButtonWanted(bool AWanted) {
    FWanted = AWanted;
    Update();
}

void ApplicationWindow::Update() {
    HWND window = Handle();
    SetWindowTextIfDifferent(window, Application().Title());
    bool visible = FWanted && OwnsAVisibleForm(window);
    if ((IsWindowVisible(window) != FALSE) != visible) {
        ShowWindow(window, visible ? SW_SHOWNOACTIVATE : SW_HIDE);
    }
}

// The taskbar button activates this window; the user means the form it owns that was active last.
LRESULT CALLBACK ApplicationWindow::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_ACTIVATE:
        if (LOWORD(wp) != WA_INACTIVE) {
            HWND popup = GetLastActivePopup(hwnd);
            if (popup != hwnd && IsWindowVisible(popup) && IsWindowEnabled(popup)) {
                SetActiveWindow(popup);
                return 0;
            }
        }
        break;
    case WM_CLOSE:
        return Guarded([] {
            if (TForm* main = Application().MainForm()) {
                main->CloseRequested();
            }
            return LRESULT(0);
        });
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

} // namespace ui::win32
