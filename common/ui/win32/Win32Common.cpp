#include "ui/win32/Win32Common.h"

#include "text/TextCodec.h"

#include <map>
#include <mutex>
#include <tuple>

namespace ui::win32 {

namespace {
constexpr wchar_t PeerProperty[] = L"TkPeer";
}

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

HFONT FontFor(const TFont& AFont) {
    static std::mutex lock;
    static std::map<std::tuple<std::string, int, int>, HFONT> fonts;
    int styleBits = (AFont.Style.Contains(TFontStyle::fsBold) ? 1 : 0) |
                    (AFont.Style.Contains(TFontStyle::fsItalic) ? 2 : 0) |
                    (AFont.Style.Contains(TFontStyle::fsUnderline) ? 4 : 0) |
                    (AFont.Style.Contains(TFontStyle::fsStrikeOut) ? 8 : 0);
    std::lock_guard<std::mutex> guard(lock);
    auto key = std::make_tuple(AFont.Name, AFont.Size, styleBits);
    auto it = fonts.find(key);
    if (it != fonts.end()) {
        return it->second;
    }
    HDC screen = GetDC(nullptr);
    int height = -MulDiv(AFont.Size, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    HFONT font = CreateFontW(height, 0, 0, 0, (styleBits & 1) ? FW_BOLD : FW_NORMAL, (styleBits & 2) != 0,
                             (styleBits & 4) != 0, (styleBits & 8) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                             text::ToWide(AFont.Name).c_str());
    fonts.emplace(key, font);
    return font;
}

HWND WindowOf(const TControl* AControl) {
    auto* peer = AControl ? dynamic_cast<WindowPeer*>(AControl->Peer()) : nullptr;
    return peer ? peer->Handle() : nullptr;
}

WindowPeer* PeerOfWindow(HWND AWindow) {
    return static_cast<WindowPeer*>(GetPropW(AWindow, PeerProperty));
}

WindowPeer::~WindowPeer() {
    if (FHandle != nullptr) {
        RemovePropW(FHandle, PeerProperty);
        DestroyWindow(FHandle);
    }
}

void WindowPeer::ApplyCommon(const TControl& control) {
    if (GetPropW(FHandle, PeerProperty) == nullptr) {
        SetPropW(FHandle, PeerProperty, this);
    }
    SendMessageW(FHandle, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.Font())), FALSE);
    EnableWindow(FHandle, control.Enabled());
}

} // namespace ui::win32
