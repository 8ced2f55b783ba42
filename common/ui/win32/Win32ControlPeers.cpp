#include "ui/win32/Win32Peers.h"

#include "text/TextCodec.h"
#include "ui/StdCtrls.h"

#include <commctrl.h>

namespace ui::win32 {

std::unique_ptr<IControlPeer> CreateFormPeer(TForm& AForm);

namespace {

HWND CreateChild(const TControl& control, const wchar_t* cls, DWORD style) {
    return CreateWindowExW(0, cls, L"", WS_CHILD | style, control.Left(), control.Top(), control.Width(),
                           control.Height(), WindowOf(control.ParentForm()), nullptr, Instance(), nullptr);
}

void PlaceAndShow(HWND hwnd, const TControl& control) {
    SetWindowPos(hwnd, nullptr, control.Left(), control.Top(), control.Width(), control.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
}

class LabelPeer : public WindowPeer {
public:
    explicit LabelPeer(TLabel& label) : FLabel(label) {
        FHandle = CreateChild(label, L"STATIC", SS_LEFT | SS_NOPREFIX);
        Changed();
    }
    void Changed() override {
        ApplyCommon(FLabel);
        SetWindowTextW(FHandle, text::ToWide(FLabel.Caption()).c_str());
        PlaceAndShow(FHandle, FLabel);
        InvalidateRect(FHandle, nullptr, TRUE);
    }

private:
    TLabel& FLabel;
};

// The clip is played by the animation control straight from the program's "AVI" resource.
class AnimatePeer : public WindowPeer {
public:
    explicit AnimatePeer(TAnimate& animate) : FAnimate(animate) {
        FHandle = CreateChild(animate, ANIMATE_CLASSW, ACS_TRANSPARENT);
        Changed();
    }
    void Changed() override {
        ApplyCommon(FAnimate);
        if (FAnimate.ResName() != FOpened) {
            std::wstring name = text::ToWide(FAnimate.ResName());
            SendMessageW(FHandle, ACM_OPENW, reinterpret_cast<WPARAM>(Instance()),
                         reinterpret_cast<LPARAM>(name.c_str()));
            FOpened = FAnimate.ResName();
            FPlaying = false;
        }
        if (FAnimate.Active() != FPlaying) {
            if (FAnimate.Active()) {
                SendMessageW(FHandle, ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
            } else {
                SendMessageW(FHandle, ACM_STOP, 0, 0);
            }
            FPlaying = FAnimate.Active();
        }
        PlaceAndShow(FHandle, FAnimate);
    }

private:
    TAnimate& FAnimate;
    std::string FOpened;
    bool FPlaying = false;
};

// An owner-drawn static: the picture is drawn by the peer, with the bottom-left pixel's colour left
// out when the image is transparent.
class ImagePeer : public WindowPeer {
public:
    explicit ImagePeer(TImage& image) : FImage(image) {
        FHandle = CreateChild(image, L"STATIC", SS_OWNERDRAW);
        Changed();
    }
    ~ImagePeer() override {
        if (FBitmap != nullptr) {
            DeleteObject(FBitmap);
        }
    }
    void Changed() override {
        ApplyCommon(FImage);
        if (FImage.PictureData().data() != FLoadedFrom) {
            LoadPicture();
        }
        PlaceAndShow(FHandle, FImage);
        InvalidateRect(FHandle, nullptr, TRUE);
    }
    bool ParentNotify(UINT, WPARAM, LPARAM lp, LRESULT& result) override {
        Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }

private:
    void LoadPicture() {
        if (FBitmap != nullptr) {
            DeleteObject(FBitmap);
            FBitmap = nullptr;
        }
        std::string_view data = FImage.PictureData();
        FLoadedFrom = data.data();
        if (!FImage.PictureInfo().Valid) {
            return;
        }
        auto* fileHeader = reinterpret_cast<const BITMAPFILEHEADER*>(data.data());
        auto* info = reinterpret_cast<const BITMAPINFO*>(data.data() + sizeof(BITMAPFILEHEADER));
        HDC screen = GetDC(nullptr);
        FBitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, data.data() + fileHeader->bfOffBits,
                                 info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
    }

    void Draw(const DRAWITEMSTRUCT& item) {
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
        if (FBitmap == nullptr) {
            return;
        }
        int width = FImage.PictureInfo().Width;
        int height = FImage.PictureInfo().Height;
        HDC memory = CreateCompatibleDC(item.hDC);
        HGDIOBJ old = SelectObject(memory, FBitmap);
        if (FImage.Transparent()) {
            COLORREF key = GetPixel(memory, 0, height - 1);
            TransparentBlt(item.hDC, 0, 0, width, height, memory, 0, 0, width, height, key);
        } else {
            BitBlt(item.hDC, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        }
        SelectObject(memory, old);
        DeleteDC(memory);
    }

    TImage& FImage;
    HBITMAP FBitmap = nullptr;
    const char* FLoadedFrom = nullptr;
};

// Components without a native rendering of their own yet keep their state only.
class StatePeer : public IControlPeer {
public:
    void Changed() override {}
};

} // namespace

std::unique_ptr<IControlPeer> CreateNativePeer(TControl& AControl) {
    if (auto* form = dynamic_cast<TForm*>(&AControl)) {
        return CreateFormPeer(*form);
    }
    if (WindowOf(AControl.ParentForm()) == nullptr) {
        return std::make_unique<StatePeer>();
    }
    if (auto* label = dynamic_cast<TLabel*>(&AControl)) {
        return std::make_unique<LabelPeer>(*label);
    }
    if (auto* animate = dynamic_cast<TAnimate*>(&AControl)) {
        return std::make_unique<AnimatePeer>(*animate);
    }
    if (auto* image = dynamic_cast<TImage*>(&AControl)) {
        return std::make_unique<ImagePeer>(*image);
    }
    return std::make_unique<StatePeer>();
}

} // namespace ui::win32
