#include "ui/win32/Win32Canvas.h"

#include "text/TextCodec.h"
#include "ui/win32/Win32Pictures.h"

namespace ui::win32 {

namespace {
RECT ToRect(const TRect& r) {
    return {r.Left, r.Top, r.Right, r.Bottom};
}
} // namespace

void DeviceCanvas::FillRect(const TRect& ARect) {
    RECT r = ToRect(ARect);
    ::FillRect(FDC, &r, BrushFor(BrushColor, COLOR_WINDOW));
}

void DeviceCanvas::Draw(int X, int Y, const TPicture& APicture) {
    DrawPicture(FDC, X, Y, APicture);
}

void DeviceCanvas::DrawText(const std::string& AText, const TRect& ARect, uint32_t AFlags) {
    TFont font = FFont;
    font.Name = FontName;
    plat::win::select_object_guard selected(FDC, FontFor(font));
    SetTextColor(FDC, ColorRefOf(FontColor, COLOR_WINDOWTEXT));
    SetBkMode(FDC, TRANSPARENT);
    RECT r = ToRect(ARect);
    std::wstring text = text::ToWide(AText);
    DrawTextW(FDC, text.data(), static_cast<int>(text.size()), &r, AFlags);
}

} // namespace ui::win32
