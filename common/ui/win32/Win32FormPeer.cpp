#include "ui/win32/Win32FormPeer.h"

#include "ui/StdCtrls.h"
#include "ui/win32/Win32AppWindow.h"
#include "ui/win32/Win32Guard.h"
#include "ui/win32/Win32Shapes.h"

#include <algorithm>

namespace ui::win32 {

namespace {

constexpr wchar_t FormClass[] = L"TkForm";

// The frame bits the form's state decides; others (visible, disabled, minimised) belong to the window.
constexpr LONG_PTR FrameStyles =
    WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_CLIPCHILDREN;
constexpr LONG_PTR FrameExStyles =
    WS_EX_DLGMODALFRAME | WS_EX_TOOLWINDOW | WS_EX_APPWINDOW | WS_EX_CONTROLPARENT;

struct Styles {
    DWORD Style;
    DWORD ExStyle;
};

Styles StylesOf(const TForm& form) {
    Styles s{WS_POPUP | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT};
    bool boxes = false;
    switch (form.BorderStyle()) {
    case TFormBorderStyle::bsNone:
        break;
    case TFormBorderStyle::bsSingle:
        s.Style |= WS_CAPTION;
        boxes = true;
        break;
    case TFormBorderStyle::bsSizeable:
        s.Style |= WS_CAPTION | WS_THICKFRAME;
        boxes = true;
        break;
    case TFormBorderStyle::bsDialog:
        s.Style |= WS_CAPTION;
        s.ExStyle |= WS_EX_DLGMODALFRAME;
        break;
    case TFormBorderStyle::bsToolWindow:
        s.Style |= WS_CAPTION;
        s.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    case TFormBorderStyle::bsSizeToolWin:
        s.Style |= WS_CAPTION | WS_THICKFRAME;
        s.ExStyle |= WS_EX_TOOLWINDOW;
        break;
    }
    if (form.SystemMenu() && form.BorderStyle() != TFormBorderStyle::bsNone) {
        s.Style |= WS_SYSMENU;
        if (boxes && form.MinimizeBox()) {
            s.Style |= WS_MINIMIZEBOX;
        }
        if (boxes && form.MaximizeBox()) {
            s.Style |= WS_MAXIMIZEBOX;
        }
    }
    if (Application().MainForm() == &form && Application().MainFormOnTaskBar()) {
        s.ExStyle |= WS_EX_APPWINDOW;
    }
    return s;
}

// A form stays in front of its popup parent; the main form on the taskbar has no owner; every other
// form belongs to the application's window, so that the program has one taskbar button.
HWND DesiredOwner(const TForm& form) {
    if (HWND parent = WindowOf(form.PopupParent()); parent != nullptr && form.PopupParent() != &form) {
        return parent;
    }
    if (Application().MainForm() == &form && Application().MainFormOnTaskBar()) {
        return nullptr;
    }
    return ApplicationWindow::Get().Handle();
}

struct IdSearch {
    int Id;
    HWND Found;
};

BOOL CALLBACK MatchId(HWND hwnd, LPARAM lp) {
    auto* search = reinterpret_cast<IdSearch*>(lp);
    if (GetDlgCtrlID(hwnd) == search->Id) {
        search->Found = hwnd;
        return FALSE;
    }
    return TRUE;
}

// GetDlgItem looks at direct children only; buttons may sit on panels.
HWND DescendantWithId(HWND AForm, int AId) {
    IdSearch search{AId, nullptr};
    EnumChildWindows(AForm, MatchId, reinterpret_cast<LPARAM>(&search));
    return search.Found;
}

// The button that Enter (Default) or Escape (Cancel) presses.
HWND ButtonWindow(const TForm& form, bool ADefault) {
    for (TControl* control : form.Controls()) {
        auto* button = dynamic_cast<TButton*>(control);
        if (button != nullptr && (ADefault ? button->Default() : button->Cancel()) && button->CanFocus()) {
            return WindowOf(button);
        }
    }
    return nullptr;
}

bool Usable(HWND AWindow) {
    return AWindow != nullptr && IsWindow(AWindow) && IsWindowVisible(AWindow) && IsWindowEnabled(AWindow);
}

} // namespace

FormPeer::FormPeer(TForm& AForm) : FForm(AForm) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WndProc;
    wc.hInstance = Instance();
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hIcon = LoadIconW(Instance(), L"MAINICON");
    wc.hIconSm =
        static_cast<HICON>(LoadImageW(Instance(), L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                      GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    wc.lpszClassName = FormClass;
    RegisterWindowClass(wc);
    Styles s = StylesOf(AForm);
    // Attached by its first message, so that what the window is sent while being made finds the form.
    CreateWindowChecked(s.ExStyle, FormClass, s.Style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                        DesiredOwner(AForm), this);
    FHints = std::make_unique<FormHints>(Handle());
    Changed();
}

FormPeer::~FormPeer() = default;

FormPeer* FormPeerOf(const TForm* AForm) {
    return AForm != nullptr ? dynamic_cast<FormPeer*>(AForm->Peer()) : nullptr;
}

void FormPeer::Changed() {
    HWND window = Handle();
    ApplyFrame();
    ApplyOwner();
    SetWindowTextIfDifferent(window, FForm.Caption());
    if ((IsWindowEnabled(window) != FALSE) != FForm.Enabled()) {
        EnableWindow(window, FForm.Enabled());
    }
    Place();
    if (FForm.Color() != FAppliedColor) {
        FAppliedColor = FForm.Color();
        InvalidateRect(window, nullptr, TRUE);
    }
    ApplyVisibility();
}

void FormPeer::ApplyFrame() {
    Styles s = StylesOf(FForm);
    bool changed = UpdateStyle(Handle(), GWL_STYLE, FrameStyles, s.Style);
    changed = UpdateStyle(Handle(), GWL_EXSTYLE, FrameExStyles, s.ExStyle) || changed;
    if (changed) {
        SetWindowPos(Handle(), nullptr, 0, 0, 0, 0,
                     SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        // The frame's size changed with its style: the client area keeps the form's size.
        FAppliedBounds = {-1, -1, -1, -1};
    }
}

void FormPeer::ApplyOwner() {
    HWND owner = DesiredOwner(FForm);
    if (GetWindow(Handle(), GW_OWNER) != owner) {
        SetWindowLongPtrW(Handle(), GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(owner));
    }
}

// The client area has the form's size; a designed position is the form's, a centred one is made when
// the form is shown.
void FormPeer::Place() {
    RECT bounds{FForm.Left(), FForm.Top(), FForm.Width(), FForm.Height()};
    if (EqualRect(&bounds, &FAppliedBounds)) {
        return;
    }
    FAppliedBounds = bounds;
    RECT r{0, 0, Scale(FForm.ClientWidth()), Scale(FForm.ClientHeight())};
    AdjustWindowRectEx(&r, static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongPtrW(Handle(), GWL_EXSTYLE)));
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    if (FForm.Position() != TPosition::poDesigned) {
        flags |= SWP_NOMOVE;
    }
    SetWindowPos(Handle(), nullptr, Scale(FForm.Left()), Scale(FForm.Top()), r.right - r.left,
                 r.bottom - r.top, flags);
}

// A screen-centred form is centred the first time it is shown and then stays where the user puts it; a
// form centred on its owner follows the owner each time it is shown.
void FormPeer::Centre() {
    bool onOwner = FForm.Position() == TPosition::poOwnerFormCenter;
    if (FForm.Position() == TPosition::poDesigned || (!onOwner && FCentredOnce)) {
        return;
    }
    FCentredOnce = true;
    RECT area{};
    HWND owner = GetWindow(Handle(), GW_OWNER);
    if (onOwner && owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    }
    RECT r{};
    GetWindowRect(Handle(), &r);
    int left = area.left + ((area.right - area.left) - (r.right - r.left)) / 2;
    int top = area.top + ((area.bottom - area.top) - (r.bottom - r.top)) / 2;
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    left = std::max<int>(work.left, std::min<int>(left, work.right - (r.right - r.left)));
    top = std::max<int>(work.top, std::min<int>(top, work.bottom - (r.bottom - r.top)));
    SetWindowPos(Handle(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void FormPeer::ApplyVisibility() {
    HWND window = Handle();
    bool visible = FForm.Visible();
    if ((IsWindowVisible(window) != FALSE) == visible) {
        return;
    }
    if (visible) {
        Centre();
        ShowWindow(window, SW_SHOW);
        UpdateWindow(window);
    } else {
        ShowWindow(window, SW_HIDE);
        // Shown again, the form starts from its active control.
        FSavedFocus = nullptr;
    }
    ApplicationWindow::Get().Update();
}

void FormPeer::SetFocus() {
    if (IsWindowVisible(Handle())) {
        SetForegroundWindow(Handle());
        SetActiveWindow(Handle());
    }
}

// The system gives the foreground only to the program the user works with; otherwise the window at
// least comes to the top of the others (and the taskbar flashes it).
void FormPeer::BringToFront() {
    HWND window = Handle();
    if (!IsWindowVisible(window)) {
        return;
    }
    if (IsIconic(window)) {
        ShowWindow(window, SW_RESTORE);
    }
    SetWindowPos(window, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetForegroundWindow(window);
}

// Activation gives the focus back to the control that had it when the form was left (the form's own
// Activate focuses its active control first); the system's default would focus the form's window.
void FormPeer::Activated(bool AActive, bool AMinimized) {
    HWND focus = GetFocus();
    if (!AActive) {
        if (focus != nullptr && IsChild(Handle(), focus)) {
            FSavedFocus = focus;
        }
        return;
    }
    FForm.Activate();
    if (AMinimized) {
        return;
    }
    focus = GetFocus();
    if ((Usable(FSavedFocus) && IsChild(Handle(), FSavedFocus)) || focus == nullptr ||
        !IsChild(Handle(), focus)) {
        RestoreFocus();
    }
}

// The form's window passes the focus on: the control that had it last, else the active control, else
// the first that takes it.
void FormPeer::RestoreFocus() {
    HWND target = nullptr;
    if (Usable(FSavedFocus) && IsChild(Handle(), FSavedFocus)) {
        target = FSavedFocus;
    } else if (HWND active = WindowOf(FForm.ActiveControl()); Usable(active)) {
        target = active;
    } else {
        target = GetNextDlgTabItem(Handle(), nullptr, FALSE);
    }
    if (target != nullptr) {
        ::SetFocus(target);
    }
}

// Enter and Escape reach the form from the dialog manager as commands without a window: they press the
// default or the cancel button, as a click on it would.
LRESULT FormPeer::Command(WPARAM wp, LPARAM lp) {
    LRESULT result = 0;
    HWND target = reinterpret_cast<HWND>(lp);
    if (target == nullptr) {
        int id = LOWORD(wp);
        target = id == IDCANCEL ? ButtonWindow(FForm, false) : DescendantWithId(Handle(), id);
        if (!Usable(target)) {
            return 0;
        }
        wp = MAKEWPARAM(GetDlgCtrlID(target), BN_CLICKED);
    }
    RouteToChild(WM_COMMAND, wp, reinterpret_cast<LPARAM>(target), result);
    return result;
}

LRESULT FormPeer::Dispatch(UINT msg, WPARAM wp, LPARAM lp) {
    HWND window = Handle();
    LRESULT result = 0;
    switch (msg) {
    case WM_CLOSE:
        FForm.CloseRequested();
        return 0;
    case WM_ACTIVATE:
        Activated(LOWORD(wp) != WA_INACTIVE, HIWORD(wp) != 0);
        return 0;
    case WM_SETFOCUS:
        RestoreFocus();
        return 0;
    case WM_SYSCOMMAND:
        FForm.SysCommand(static_cast<uint32_t>(wp & 0xFFF0));
        break;
    case WM_COMMAND:
        return Command(wp, lp);
    case WM_ERASEBKGND: {
        RECT r{};
        GetClientRect(window, &r);
        FillRect(reinterpret_cast<HDC>(wp), &r, BrushFor(FForm.Color(), COLOR_BTNFACE));
        PaintShapes(reinterpret_cast<HDC>(wp), FForm);
        return 1;
    }
    case DM_GETDEFID:
        if (HWND button = ButtonWindow(FForm, true)) {
            return MAKELRESULT(GetDlgCtrlID(button), DC_HASDEFID);
        }
        return 0;
    default:
        // What the children send up (notifications, drawing, colours) goes to their peers.
        if (RouteToChild(msg, wp, lp, result)) {
            return result;
        }
        break;
    }
    return DefWindowProcW(window, msg, wp, lp);
}

LRESULT CALLBACK FormPeer::WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_NCCREATE) {
        static_cast<FormPeer*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams)->Attach(hwnd);
    }
    auto* self = dynamic_cast<FormPeer*>(PeerOfWindow(hwnd));
    if (self == nullptr) {
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
    return Guarded([&] { return self->Dispatch(msg, wp, lp); });
}

} // namespace ui::win32
