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
    explicit FormPeer(TForm& form) : FForm(form) {
        RegisterFormClass();
        Styles s = StylesOf(form);
        FHandle = CreateWindowExW(s.ExStyle, FormClass, L"", s.Style, CW_USEDEFAULT, CW_USEDEFAULT, 100, 100,
                                  nullptr, nullptr, Instance(), nullptr);
        Changed();
    }

    void Changed() override {
        if (FHandle == nullptr) {
            return;
        }
        ApplyCommon(FForm);
        SetWindowTextW(FHandle, text::ToWide(FForm.Caption()).c_str());
        Place();
        ShowWindow(FHandle, FForm.Visible() ? SW_SHOW : SW_HIDE);
        if (FForm.Visible()) {
            UpdateWindow(FHandle);
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
        SetWindowPos(FHandle, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    }

    static void RegisterFormClass() {
        static bool registered = false;
        if (registered) {
            return;
        }
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WndProc;
        wc.hInstance = Instance();
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.hIcon = LoadIconW(Instance(), L"MAINICON");
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = FormClass;
        registered = RegisterClassExW(&wc) != 0;
    }

    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
        auto* self = dynamic_cast<FormPeer*>(PeerOfWindow(hwnd));
        switch (msg) {
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
