#include "ui/win32/Win32Peers.h"

#include "text/TextCodec.h"
#include "ui/StdCtrls.h"
#include "ui/Threads.h"

#include <commctrl.h>

#include <typeindex>
#include <unordered_map>

namespace ui::win32 {

std::unique_ptr<IControlPeer> CreateFormPeer(TForm& AForm);

namespace {

HWND CreateChild(const TControl& control, const wchar_t* cls, DWORD style) {
    return CreateWindowChecked(0, cls, WS_CHILD | style, control.Left(), control.Top(), control.Width(),
                               control.Height(), WindowOf(control.ParentForm()));
}

void PlaceAndShow(HWND hwnd, const TControl& control) {
    SetWindowPos(hwnd, nullptr, control.Left(), control.Top(), control.Width(), control.Height(),
                 SWP_NOZORDER | SWP_NOACTIVATE);
    ShowWindow(hwnd, control.Visible() ? SW_SHOWNA : SW_HIDE);
}

class LabelPeer : public WindowPeer {
public:
    explicit LabelPeer(TLabel& label) : FLabel(label) {
        AdoptChild(CreateChild(label, L"STATIC", SS_LEFT | SS_NOPREFIX));
        Changed();
    }
    void Changed() override {
        ApplyCommon(FLabel);
        SetWindowTextW(Handle(), text::ToWide(FLabel.Caption()).c_str());
        PlaceAndShow(Handle(), FLabel);
        InvalidateRect(Handle(), nullptr, TRUE);
    }

private:
    TLabel& FLabel;
};

// The clip is played by the animation control straight from the program's "AVI" resource.
class AnimatePeer : public WindowPeer {
public:
    explicit AnimatePeer(TAnimate& animate) : FAnimate(animate) {
        AdoptChild(CreateChild(animate, ANIMATE_CLASSW, ACS_TRANSPARENT));
        Changed();
    }
    void Changed() override {
        ApplyCommon(FAnimate);
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
        PlaceAndShow(Handle(), FAnimate);
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
        AdoptChild(CreateChild(image, L"STATIC", SS_OWNERDRAW));
        Changed();
    }
    void Changed() override {
        ApplyCommon(FImage);
        if (FImage.PictureData().data() != FLoadedFrom) {
            LoadPicture();
        }
        PlaceAndShow(Handle(), FImage);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
    bool ParentNotify(UINT, WPARAM, LPARAM lp, LRESULT& result) override {
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
        FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
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

template <class Component, class Peer> std::unique_ptr<IControlPeer> Make(TControl& control) {
    return std::make_unique<Peer>(static_cast<Component&>(control));
}

using PeerFactory = std::unique_ptr<IControlPeer> (*)(TControl&);

// Every component type with a native rendering; a type missing here has no window in this build.
const std::unordered_map<std::type_index, PeerFactory>& PeerFactories() {
    static const std::unordered_map<std::type_index, PeerFactory> factories{
        {typeid(TLabel), &Make<TLabel, LabelPeer>},
        {typeid(TAnimate), &Make<TAnimate, AnimatePeer>},
        {typeid(TImage), &Make<TImage, ImagePeer>},
    };
    return factories;
}

std::string Describe(const TControl& control) {
    return TypeName(typeid(control)) + " \"" + control.Name() + "\"";
}

} // namespace

// Forms are subclassed by each program and all share the form peer; controls are found by their exact
// type, so a subclass of a control needs an entry of its own rather than a peer that half fits.
std::unique_ptr<IControlPeer> CreateNativePeer(TControl& AControl) {
    if (auto* form = dynamic_cast<TForm*>(&AControl)) {
        return CreateFormPeer(*form);
    }
    if (WindowOf(AControl.ParentForm()) == nullptr) {
        throw EPeerError(Describe(AControl) + " has no form window to be shown in");
    }
    auto factory = PeerFactories().find(typeid(AControl));
    if (factory == PeerFactories().end()) {
        throw EPeerError("No native rendering for " + Describe(AControl));
    }
    return factory->second(AControl);
}

} // namespace ui::win32
