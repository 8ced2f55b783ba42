#include "ui/win32/Win32Pictures.h"

#include <vector>

namespace ui::win32 {

namespace {

BITMAPINFO TopDown32(int AWidth, int AHeight) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = AWidth;
    info.bmiHeader.biHeight = -AHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

uint32_t Premultiply(uint32_t APixel) {
    uint32_t a = APixel >> 24;
    auto channel = [&](int shift) { return (((APixel >> shift) & 0xFF) * a + 127) / 255 << shift; };
    return (a << 24) | channel(16) | channel(8) | channel(0);
}

// The 32-bit pixels of a bitmap, top row first.
std::vector<uint32_t> PixelsOf(HBITMAP ABitmap, int AWidth, int AHeight) {
    std::vector<uint32_t> pixels(static_cast<size_t>(AWidth) * AHeight);
    BITMAPINFO info = TopDown32(AWidth, AHeight);
    HDC screen = GetDC(nullptr);
    int rows = GetDIBits(screen, ABitmap, 0, AHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != AHeight) {
        pixels.clear();
    }
    return pixels;
}

} // namespace

plat::win::unique_gdi<HBITMAP> MakeBitmap(const TPicture& APicture, bool APremultiplied) {
    if (APicture.Empty()) {
        return {};
    }
    BITMAPINFO info = TopDown32(APicture.Width, APicture.Height);
    void* bits = nullptr;
    plat::win::unique_gdi<HBITMAP> bitmap(
        CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!bitmap) {
        return {};
    }
    // A DIB's 32-bit pixel is B, G, R, A in memory: the picture's 0xAARRGGBB as it stands.
    auto* out = static_cast<uint32_t*>(bits);
    for (size_t i = 0; i < APicture.Pixels.size(); ++i) {
        out[i] = APremultiplied ? Premultiply(APicture.Pixels[i]) : APicture.Pixels[i];
    }
    GdiFlush();
    return bitmap;
}

void DrawPicture(HDC ADC, int X, int Y, const TPicture& APicture) {
    plat::win::unique_gdi<HBITMAP> bitmap = MakeBitmap(APicture, true);
    plat::win::unique_hdc memory(CreateCompatibleDC(ADC));
    if (!bitmap || !memory) {
        return;
    }
    plat::win::select_object_guard selected(memory.get(), bitmap.get());
    if (!selected) {
        return;
    }
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(ADC, X, Y, APicture.Width, APicture.Height, memory.get(), 0, 0, APicture.Width,
               APicture.Height, blend);
}

// Systems before 32-bit icons draw the mask: set where the picture is transparent.
plat::win::unique_hicon MakeIcon(const TPicture& APicture) {
    plat::win::unique_gdi<HBITMAP> color = MakeBitmap(APicture, false);
    if (!color) {
        return {};
    }
    int rowBytes = ((APicture.Width + 15) / 16) * 2;
    std::vector<uint8_t> maskBits(static_cast<size_t>(rowBytes) * APicture.Height, 0);
    for (int y = 0; y < APicture.Height; ++y) {
        for (int x = 0; x < APicture.Width; ++x) {
            if ((APicture.Pixel(x, y) >> 24) == 0) {
                maskBits[static_cast<size_t>(y) * rowBytes + x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    plat::win::unique_gdi<HBITMAP> mask(CreateBitmap(APicture.Width, APicture.Height, 1, 1, maskBits.data()));
    ICONINFO info{TRUE, 0, 0, mask.get(), color.get()};
    return plat::win::unique_hicon(CreateIconIndirect(&info));
}

std::optional<TPicture> PictureOfIcon(HICON AIcon) {
    ICONINFO info{};
    if (!GetIconInfo(AIcon, &info)) {
        return std::nullopt;
    }
    plat::win::unique_gdi<HBITMAP> color(info.hbmColor);
    plat::win::unique_gdi<HBITMAP> mask(info.hbmMask);
    BITMAP bm{};
    if (!color || GetObjectW(color.get(), sizeof bm, &bm) == 0 || bm.bmWidth <= 0 || bm.bmHeight <= 0) {
        return std::nullopt;
    }
    TPicture picture{bm.bmWidth, bm.bmHeight, PixelsOf(color.get(), bm.bmWidth, bm.bmHeight)};
    if (picture.Pixels.empty()) {
        return std::nullopt;
    }
    bool hasAlpha = false;
    for (uint32_t pixel : picture.Pixels) {
        hasAlpha = hasAlpha || (pixel >> 24) != 0;
    }
    if (!hasAlpha) {
        std::vector<uint32_t> maskPixels = PixelsOf(mask.get(), bm.bmWidth, bm.bmHeight);
        for (size_t i = 0; i < picture.Pixels.size(); ++i) {
            bool transparent = i < maskPixels.size() && (maskPixels[i] & 0x00FFFFFF) != 0;
            picture.Pixels[i] = (picture.Pixels[i] & 0x00FFFFFF) | (transparent ? 0u : 0xFF000000u);
        }
    }
    return picture;
}

} // namespace ui::win32
