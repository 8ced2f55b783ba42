#include "ui/win32/Win32Common.h"

#include "Errors.h"
#include "platform/Platform.h"
#include "text/TextCodec.h"

#include <map>
#include <mutex>
#include <tuple>
#include <vector>

namespace ui::win32 {

HINSTANCE Instance() {
    return GetModuleHandleW(nullptr);
}

int ScreenDpi() {
    static const int dpi = [] {
        HDC screen = GetDC(nullptr);
        int value = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return value > 0 ? value : 96;
    }();
    return dpi;
}

int Scale(int APixels) {
    return MulDiv(APixels, ScreenDpi(), 96);
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

COLORREF ColorRefOf(TColor AColor, int ADefault) {
    if (AColor == clDefault) {
        return GetSysColor(ADefault);
    }
    if (IsSystemColor(AColor)) {
        return GetSysColor(static_cast<int>(AColor & 0xFF));
    }
    return AColor & 0x00FFFFFF;
}

HBRUSH BrushFor(TColor AColor, int ADefault) {
    if (AColor == clDefault) {
        return GetSysColorBrush(ADefault);
    }
    if (IsSystemColor(AColor)) {
        return GetSysColorBrush(static_cast<int>(AColor & 0xFF));
    }
    static std::mutex lock;
    static std::map<COLORREF, plat::win::unique_gdi<HBRUSH>> brushes;
    std::lock_guard<std::mutex> guard(lock);
    COLORREF color = AColor & 0x00FFFFFF;
    auto it = brushes.find(color);
    if (it == brushes.end()) {
        it = brushes.emplace(color, plat::win::unique_gdi<HBRUSH>(CreateSolidBrush(color))).first;
    }
    return it->second.get();
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
                         int AHeight, HWND AParent, void* ACreateParam, UINT_PTR AId) {
    HWND window = CreateWindowExW(AExStyle, AClass, L"", AStyle, ALeft, ATop, AWidth, AHeight, AParent,
                                  reinterpret_cast<HMENU>(AId), Instance(), ACreateParam);
    if (window == nullptr) {
        RaiseLastError("Cannot create a window of the class " + text::FromWide(AClass));
    }
    return window;
}

std::wstring WindowText(HWND AWindow) {
    std::vector<wchar_t> buffer(static_cast<size_t>(GetWindowTextLengthW(AWindow)) + 1, L'\0');
    int length = GetWindowTextW(AWindow, buffer.data(), static_cast<int>(buffer.size()));
    return std::wstring(buffer.data(), static_cast<size_t>(length > 0 ? length : 0));
}

void SetWindowTextIfDifferent(HWND AWindow, const std::string& AText) {
    std::wstring wanted = text::ToWide(AText);
    if (WindowText(AWindow) != wanted) {
        SetWindowTextW(AWindow, wanted.c_str());
    }
}

bool UpdateStyle(HWND AWindow, int AIndex, LONG_PTR AMask, LONG_PTR AValue) {
    LONG_PTR old = GetWindowLongPtrW(AWindow, AIndex);
    LONG_PTR wanted = (old & ~AMask) | (AValue & AMask);
    if (wanted == old) {
        return false;
    }
    SetWindowLongPtrW(AWindow, AIndex, wanted);
    return true;
}

} // namespace ui::win32
