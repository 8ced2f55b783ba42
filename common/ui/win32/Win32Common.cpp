#include "ui/win32/Win32Common.h"

#include "Errors.h"
#include "platform/Platform.h"
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
    static std::map<std::tuple<std::string, int, int>, plat::win::unique_gdi<HFONT>> fonts;
    int styleBits = (AFont.Style.Contains(TFontStyle::fsBold) ? 1 : 0) |
                    (AFont.Style.Contains(TFontStyle::fsItalic) ? 2 : 0) |
                    (AFont.Style.Contains(TFontStyle::fsUnderline) ? 4 : 0) |
                    (AFont.Style.Contains(TFontStyle::fsStrikeOut) ? 8 : 0);
    std::lock_guard<std::mutex> guard(lock);
    auto key = std::make_tuple(AFont.Name, AFont.Size, styleBits);
    auto it = fonts.find(key);
    if (it != fonts.end()) {
        return it->second.get();
    }
    HDC screen = GetDC(nullptr);
    int height = -MulDiv(AFont.Size, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    plat::win::unique_gdi<HFONT> font(CreateFontW(
        height, 0, 0, 0, (styleBits & 1) ? FW_BOLD : FW_NORMAL, (styleBits & 2) != 0, (styleBits & 4) != 0,
        (styleBits & 8) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
        DEFAULT_PITCH | FF_DONTCARE, text::ToWide(AFont.Name).c_str()));
    HFONT made = font.get();
    fonts.emplace(key, std::move(font));
    return made;
}

HWND WindowOf(const TControl* AControl) {
    auto* peer = AControl ? dynamic_cast<WindowPeer*>(AControl->Peer()) : nullptr;
    return peer ? peer->Handle() : nullptr;
}

void RaiseLastError(const std::string& AWhat) {
    DWORD code = GetLastError();
    throw EOSError(code, AWhat + ": " + plat::Host().SysErrorMessage(code));
}

void RegisterWindowClass(const WNDCLASSEXW& AClass) {
    if (RegisterClassExW(&AClass) == 0 && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        RaiseLastError("Cannot register the window class " + text::FromWide(AClass.lpszClassName));
    }
}

HWND CreateWindowChecked(DWORD AExStyle, const wchar_t* AClass, DWORD AStyle, int ALeft, int ATop, int AWidth,
                         int AHeight, HWND AParent, void* ACreateParam) {
    HWND window = CreateWindowExW(AExStyle, AClass, L"", AStyle, ALeft, ATop, AWidth, AHeight, AParent,
                                  nullptr, Instance(), ACreateParam);
    if (window == nullptr) {
        RaiseLastError("Cannot create a window of the class " + text::FromWide(AClass));
    }
    return window;
}

WindowPeer* PeerOfWindow(HWND AWindow) {
    return static_cast<WindowPeer*>(GetPropW(AWindow, PeerProperty));
}

WindowPeer::~WindowPeer() {
    if (FHandle) {
        RemovePropW(FHandle.get(), PeerProperty);
    }
}

void WindowPeer::AdoptChild(HWND AWindow) {
    FHandle.reset(AWindow);
    SetPropW(AWindow, PeerProperty, this);
}

void WindowPeer::ApplyCommon(const TControl& control) {
    SendMessageW(FHandle.get(), WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(control.Font())), FALSE);
    EnableWindow(FHandle.get(), control.Enabled());
}

} // namespace ui::win32
