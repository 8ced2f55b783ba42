#include "ui/win32/Win32Peers.h"

#include "text/TextCodec.h"

namespace ui::win32 {

namespace {

constexpr wchar_t FormClass[] = L"TkForm";

struct Styles {
    DWORD Style;
    DWORD ExStyle;
};

Styles StylesOf(const TForm& form) {
    Styles s{WS_POPUP | WS_CLIPCHILDREN, 0};
    switch (form.BorderStyle()) {
    case TFormBorderStyle::bsNone:
        break;
    case TFormBorderStyle::bsSingle:
        s.Style |= WS_CAPTION | WS_BORDER | WS_MINIMIZEBOX;
        break;
    case TFormBorderStyle::bsSizeable:
        s.Style |= WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;
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
    }
    if (Application().MainForm() == &form && Application().MainFormOnTaskBar()) {
        s.ExStyle |= WS_EX_APPWINDOW;
    }
    return s;
}

class FormPeer : public WindowPeer {
public:
    // The peer reaches its window with the window's first message, so that what the window is sent
    // while it is being created already finds the form.
    explicit FormPeer(TForm& form) : FForm(form) {
        RegisterFormClass();
        Styles s = StylesOf(form);
        FHandle.reset(CreateWindowChecked(s.ExStyle, FormClass, s.Style, CW_USEDEFAULT, CW_USEDEFAULT, 100,
                                          100, nullptr, this));
        Changed();
    }

    // The window goes after this part of the peer: its last messages must not reach a half-destroyed one.
    ~FormPeer() override { SetWindowLongPtrW(Handle(), GWLP_USERDATA, 0); }

    void Changed() override {
        ApplyCommon(FForm);
        SetWindowTextW(Handle(), text::ToWide(FForm.Caption()).c_str());
        Place();
        ShowWindow(Handle(), FForm.Visible() ? SW_SHOW : SW_HIDE);
        if (FForm.Visible()) {
            UpdateWindow(Handle());
        }
    }

private:
    // The client area has the form's size; a centred form is centred on the work area once.
    void Place() {
        Styles s = StylesOf(FForm);
        RECT r{0, 0, FForm.ClientWidth(), FForm.ClientHeight()};
        AdjustWindowRectEx(&r, s.Style, FALSE, s.ExStyle);
        int width = r.right - r.left;
        int height = r.bottom - r.top;
        int left = FForm.Left();
        int top = FForm.Top();
        if (FForm.Position() == TPosition::poScreenCenter) {
            RECT area{};
            SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
            left = area.left + (area.right - area.left - width) / 2;
            top = area.top + (area.bottom - area.top - height) / 2;
        }
        SetWindowPos(Handle(), nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static void RegisterFormClass() {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = Instance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = LoadIconW(Instance(), L"MAINICON");
        wc.hIconSm =
            static_cast<HICON>(LoadImageW(Instance(), L"MAINICON", IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                          GetSystemMetrics(SM_CYSMICON), LR_SHARED));
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = FormClass;
        RegisterWindowClass(wc);
    }

    static FormPeer* Attached(HWND hwnd, UINT msg, LPARAM lp) {
        if (msg == WM_NCCREATE) {
            auto* peer = static_cast<FormPeer*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(peer));
            return peer;
        }
        return reinterpret_cast<FormPeer*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        FormPeer* self = Attached(hwnd, msg, lp);
        switch (msg) {
        case WM_NCDESTROY:
            // The window outlives nothing of the peer: later messages, if any, find no peer.
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            break;
        case WM_CLOSE:
            if (self != nullptr) {
                self->FForm.CloseRequested();
            }
            return 0;
        case WM_CTLCOLORSTATIC: {
            HDC dc = reinterpret_cast<HDC>(wp);
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_DRAWITEM: {
            auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
            WindowPeer* child = item ? PeerOfWindow(item->hwndItem) : nullptr;
            LRESULT result = 0;
            if (child != nullptr && child->ParentNotify(msg, wp, lp, result)) {
                return result;
            }
            break;
        }
        default:
            break;
        }
        return DefWindowProcW(hwnd, msg, wp, lp);
    }

    TForm& FForm;
};

} // namespace

std::unique_ptr<IControlPeer> CreateFormPeer(TForm& AForm) {
    return std::make_unique<FormPeer>(AForm);
}

} // namespace ui::win32
