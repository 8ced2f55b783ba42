#pragma once
// Colours, rectangles, pictures and the drawing surface of owner-drawn controls. Pictures are decoded
// here, once, into plain pixels, so both builds load the same files the same way and a test can look
// at what a replacement file turned into; the native peers make their icons and bitmaps from them.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ui {

// A colour as Windows keeps it (0x00BBGGRR), or a system colour: the high byte 0xFF and the
// GetSysColor index in the low byte (clWindow, clBtnFace, ...), resolved by the peer at drawing time.
using TColor = uint32_t;

constexpr TColor RGBColor(uint8_t r, uint8_t g, uint8_t b) {
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}
constexpr TColor SystemColor(uint8_t index) {
    return 0xFF000000u | index;
}
constexpr bool IsSystemColor(TColor c) {
    return (c & 0xFF000000u) == 0xFF000000u;
}

constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clWhite = RGBColor(255, 255, 255);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clSilver = RGBColor(192, 192, 192);
constexpr TColor clFuchsia = RGBColor(255, 0, 255);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnText = SystemColor(18);
// "Not set": the control's own default.
constexpr TColor clDefault = 0x20000000u;

struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool operator==(const TRect&) const = default;
};

// Straight (not premultiplied) 32-bit pixels, top row first, each 0xAARRGGBB. A picture decoded from a
// bitmap with a transparent colour has alpha 0 where that colour was, 255 elsewhere.
struct TPicture {
    int Width = 0;
    int Height = 0;
    std::vector<uint32_t> Pixels;

    bool Empty() const { return Width <= 0 || Height <= 0; }
    uint32_t Pixel(int x, int y) const { return Pixels[static_cast<size_t>(y) * Width + x]; }
    // The part [x, x + w) of every row: one glyph of a strip of glyphs side by side.
    TPicture Slice(int x, int w) const;
};

// Reads a .bmp file (1, 4, 8, 24 or 32 bits per pixel, uncompressed or RLE8, either row order).
// With a transparent colour, that colour becomes transparent; TransparentBottomLeft takes the colour of
// the bottom-left pixel, as a transparent bitmap's mask does. Nothing for anything that is not a
// readable bitmap; the sizes are bounded, so a hostile header cannot ask for gigabytes.
enum class TTransparency { None, BottomLeft };
std::optional<TPicture> DecodeBitmap(std::string_view AData,
                                     TTransparency ATransparency = TTransparency::None);
// Reads a .ico file: the image of the size asked for (the nearest larger one, or the largest), in any
// of the depths above, PNG-compressed images excepted; the AND mask gives transparency where there is
// no alpha channel. Nothing when the data is not a readable icon.
std::optional<TPicture> DecodeIcon(std::string_view AData, int ASize);
// A file's bytes as a bitmap or icon by its content (a replacement file may be either).
std::optional<TPicture> DecodePicture(std::string_view AData, int AIconSize,
                                      TTransparency ABitmapTransparency = TTransparency::None);

// The system's small shield icon (the mark of commands that need administrator rights); nothing where
// the system has none (the headless build, old systems).
std::optional<TPicture> StockShieldIcon();

// Owner-drawn item states.
struct TOwnerDrawState {
    bool Selected = false;
    bool Focused = false;
    bool Disabled = false;
};

// Text drawing flags with the values of DrawText's DT_* constants.
constexpr uint32_t DT_LEFT_ = 0x0000;
constexpr uint32_t DT_CENTER_ = 0x0001;
constexpr uint32_t DT_RIGHT_ = 0x0002;
constexpr uint32_t DT_VCENTER_ = 0x0004;
constexpr uint32_t DT_SINGLELINE_ = 0x0020;
constexpr uint32_t DT_NOPREFIX_ = 0x0800;
constexpr uint32_t DT_RTLREADING_ = 0x20000;

// The surface an owner-drawn item is drawn on (a device context in the native build, a record of the
// calls in tests).
class TCanvas {
public:
    virtual ~TCanvas() = default;
    TColor BrushColor = clWindow;
    TColor FontColor = clWindowText;
    std::string FontName = "Tahoma";

    virtual void FillRect(const TRect& ARect) = 0;
    // Draws the picture with its transparency at (X, Y).
    virtual void Draw(int X, int Y, const TPicture& APicture) = 0;
    virtual void DrawText(const std::string& AText, const TRect& ARect, uint32_t AFlags) = 0;
};

// Keeps what was drawn, for tests and for the headless build's repaint.
class TRecordingCanvas : public TCanvas {
public:
    struct TOp {
        std::string Kind; // "fill", "draw", "text"
        TRect Rect;       // fill and text: the rectangle; draw: Left/Top the position, size the picture's
        std::string Text;
        uint32_t Flags = 0;
        TColor Brush = clDefault;
        TColor Font = clDefault;
        std::string FontName;
        const TPicture* Picture = nullptr;
    };
    std::vector<TOp> Ops;

    void FillRect(const TRect& ARect) override;
    void Draw(int X, int Y, const TPicture& APicture) override;
    void DrawText(const std::string& AText, const TRect& ARect, uint32_t AFlags) override;
};

} // namespace ui
