#pragma once
// The drawing surface of an owner-drawn item: a device context the system hands the control's peer.
#include "ui/win32/Win32Common.h"

namespace ui::win32 {

class DeviceCanvas : public TCanvas {
public:
    // AFont gives the size and style of the text; the canvas's FontName and FontColor are applied on top.
    DeviceCanvas(HDC ADC, const TFont& AFont) : FDC(ADC), FFont(AFont) { FontName = AFont.Name; }

    void FillRect(const TRect& ARect) override;
    void Draw(int X, int Y, const TPicture& APicture) override;
    void DrawText(const std::string& AText, const TRect& ARect, uint32_t AFlags) override;

private:
    HDC FDC;
    TFont FFont;
};

} // namespace ui::win32
