// Controls that show and take no input: labels, pictures and the clip.
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Peers.h"
#include "ui/win32/Win32WindowPeer.h"

#include "text/TextCodec.h"

#include <commctrl.h>

namespace ui::win32 {

namespace {

// A label is a real static control, so screen readers read its text.
class LabelPeer : public ControlPeer {
public:
    explicit LabelPeer(TLabel& label) : ControlPeer(label), FLabel(label) {
        CreateControlWindow(0, L"STATIC", SS_NOPREFIX | AlignmentStyle());
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        if (UpdateStyle(Handle(), GWL_STYLE, SS_TYPEMASK, AlignmentStyle())) {
            InvalidateRect(Handle(), nullptr, TRUE);
        }
        SetWindowTextIfDifferent(Handle(), FLabel.Caption());
        ApplyCommon();
    }

    // A transparent label shows what it sits on: the shape beneath it or its parent's colour.
    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        if (msg != WM_CTLCOLORSTATIC) {
            return false;
        }
        HDC dc = reinterpret_cast<HDC>(wp);
        TColor back =
            !FLabel.Transparent() && FLabel.Color() != clDefault ? FLabel.Color() : BackgroundUnder(FLabel);
        SetTextColor(dc, ColorRefOf(FLabel.Font().Color, COLOR_BTNTEXT));
        SetBkMode(dc, TRANSPARENT);
        result = reinterpret_cast<LRESULT>(BrushFor(back, COLOR_BTNFACE));
        return true;
    }

private:
    LONG_PTR AlignmentStyle() const {
        switch (FLabel.Alignment()) {
        case TAlignment::taCenter:
            return SS_CENTER;
        case TAlignment::taRightJustify:
            return SS_RIGHT;
        case TAlignment::taLeftJustify:
            break;
        }
        return FLabel.WordWrap() ? SS_LEFT : SS_LEFTNOWORDWRAP;
    }

    TLabel& FLabel;
};

// The clip is played by the animation control straight from the program's "AVI" resource.
class AnimatePeer : public ControlPeer {
public:
    explicit AnimatePeer(TAnimate& animate) : ControlPeer(animate), FAnimate(animate) {
        CreateControlWindow(0, ANIMATE_CLASSW, ACS_TRANSPARENT);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        ApplyCommon();
        if (FAnimate.ResName() != FOpened) {
            std::wstring name = text::ToWide(FAnimate.ResName());
            SendMessageW(Handle(), ACM_OPENW, reinterpret_cast<WPARAM>(Instance()),
                         reinterpret_cast<LPARAM>(name.c_str()));
            FOpened = FAnimate.ResName();
            FPlaying = false;
        }
        if (FAnimate.Active() != FPlaying) {
            if (FAnimate.Active()) {
                SendMessageW(Handle(), ACM_PLAY, static_cast<WPARAM>(-1), MAKELONG(0, 0xFFFF));
            } else {
                SendMessageW(Handle(), ACM_STOP, 0, 0);
            }
            FPlaying = FAnimate.Active();
        }
    }

    // A transparent clip is drawn over the colour its parent gives it here.
    bool ParentNotify(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        if (msg != WM_CTLCOLORSTATIC) {
            return false;
        }
        SetBkColor(reinterpret_cast<HDC>(wp), ColorRefOf(BackgroundUnder(FAnimate), COLOR_BTNFACE));
        result = reinterpret_cast<LRESULT>(BrushFor(BackgroundUnder(FAnimate), COLOR_BTNFACE));
        return true;
    }

private:
    TAnimate& FAnimate;
    std::string FOpened;
    bool FPlaying = false;
};

// An owner-drawn static: the picture is drawn by the peer, with the bottom-left pixel's colour left
// out when the image is transparent.
class ImagePeer : public ControlPeer {
public:
    explicit ImagePeer(TImage& image) : ControlPeer(image), FImage(image) {
        CreateControlWindow(0, L"STATIC", SS_OWNERDRAW);
        Changed();
    }

    void Changed() override {
        ApplyScope scope(*this);
        if (FImage.PictureData().data() != FLoadedFrom) {
            LoadPicture();
            InvalidateRect(Handle(), nullptr, TRUE);
        }
        ApplyCommon();
    }

    bool ParentNotify(UINT msg, WPARAM, LPARAM lp, LRESULT& result) override {
        if (msg != WM_DRAWITEM) {
            return false;
        }
        Draw(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }

private:
    void LoadPicture() {
        FBitmap.reset();
        std::string_view data = FImage.PictureData();
        FLoadedFrom = data.data();
        if (!FImage.PictureInfo().Valid) {
            return;
        }
        auto* fileHeader = reinterpret_cast<const BITMAPFILEHEADER*>(data.data());
        auto* info = reinterpret_cast<const BITMAPINFO*>(data.data() + sizeof(BITMAPFILEHEADER));
        HDC screen = GetDC(nullptr);
        FBitmap.reset(CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, data.data() + fileHeader->bfOffBits,
                                     info, DIB_RGB_COLORS));
        ReleaseDC(nullptr, screen);
    }

    void Draw(const DRAWITEMSTRUCT& item) {
        FillRect(item.hDC, &item.rcItem, BrushFor(BackgroundUnder(FImage), COLOR_BTNFACE));
        if (!FBitmap) {
            return;
        }
        int width = FImage.PictureInfo().Width;
        int height = FImage.PictureInfo().Height;
        plat::win::unique_hdc memory(CreateCompatibleDC(item.hDC));
        plat::win::select_object_guard selected(memory.get(), FBitmap.get());
        if (!selected) {
            return;
        }
        if (FImage.Transparent()) {
            COLORREF key = GetPixel(memory.get(), 0, height - 1);
            TransparentBlt(item.hDC, 0, 0, width, height, memory.get(), 0, 0, width, height, key);
        } else {
            BitBlt(item.hDC, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
        }
    }

    TImage& FImage;
    plat::win::unique_gdi<HBITMAP> FBitmap;
    const char* FLoadedFrom = nullptr;
};

} // namespace

std::unique_ptr<IControlPeer> NewLabelPeer(TLabel& AControl) {
    return std::make_unique<LabelPeer>(AControl);
}
std::unique_ptr<IControlPeer> NewAnimatePeer(TAnimate& AControl) {
    return std::make_unique<AnimatePeer>(AControl);
}
std::unique_ptr<IControlPeer> NewImagePeer(TImage& AControl) {
    return std::make_unique<ImagePeer>(AControl);
}

} // namespace ui::win32
