#include "ui/Graphics.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace ui {

namespace {

// Larger pictures are refused: replacement files are icons and button strips, and a hostile header
// must not make the decoder allocate more than this allows (64 MiB of pixels).
constexpr int MaxSide = 4096;

constexpr uint32_t BI_RGB_ = 0;
constexpr uint32_t BI_RLE8_ = 1;
constexpr uint32_t BI_BITFIELDS_ = 3;

// Little-endian reads that fail (return false) instead of reading past the end.
class Bytes {
public:
    explicit Bytes(std::string_view AData) : FData(AData) {}
    size_t Size() const { return FData.size(); }
    bool Has(size_t AAt, size_t ACount) const { return AAt <= FData.size() && ACount <= FData.size() - AAt; }
    uint8_t U8(size_t AAt) const { return static_cast<uint8_t>(FData[AAt]); }
    bool U16(size_t AAt, uint32_t& AValue) const {
        if (!Has(AAt, 2)) {
            return false;
        }
        AValue = U8(AAt) | (U8(AAt + 1) << 8);
        return true;
    }
    bool U32(size_t AAt, uint32_t& AValue) const {
        if (!Has(AAt, 4)) {
            return false;
        }
        AValue =
            U8(AAt) | (U8(AAt + 1) << 8) | (U8(AAt + 2) << 16) | (static_cast<uint32_t>(U8(AAt + 3)) << 24);
        return true;
    }
    Bytes Sub(size_t AAt) const { return Bytes(FData.substr(std::min(AAt, FData.size()))); }

private:
    std::string_view FData;
};

constexpr uint32_t Opaque(uint8_t r, uint8_t g, uint8_t b) {
    return 0xFF000000u | (static_cast<uint32_t>(r) << 16) | (static_cast<uint32_t>(g) << 8) | b;
}

// The header of a device-independent bitmap as a .bmp file and an icon image carry it.
struct DibHeader {
    size_t Size = 0; // of the header itself
    int Width = 0;
    int Height = 0;
    bool TopDown = false;
    uint32_t BitCount = 0;
    uint32_t Compression = BI_RGB_;
    uint32_t ColorsUsed = 0;
    bool Core = false;               // the old OS/2 header with 3-byte palette entries
    std::array<uint32_t, 4> Masks{}; // red, green, blue, alpha of BI_BITFIELDS
    size_t MaskBytes = 0;            // masks stored after a 40-byte header
};

bool ReadDibHeader(const Bytes& AData, DibHeader& AHeader) {
    uint32_t size = 0;
    if (!AData.U32(0, size)) {
        return false;
    }
    AHeader.Size = size;
    if (size == 12) {
        uint32_t w = 0, h = 0, bits = 0;
        if (!AData.U16(4, w) || !AData.U16(6, h) || !AData.U16(10, bits)) {
            return false;
        }
        AHeader.Core = true;
        AHeader.Width = static_cast<int>(w);
        AHeader.Height = static_cast<int>(h);
        AHeader.BitCount = bits;
        return true;
    }
    if (size < 40 || size > 124 || !AData.Has(0, size)) {
        return false;
    }
    uint32_t w = 0, h = 0, bits = 0;
    AData.U32(4, w);
    AData.U32(8, h);
    AData.U16(14, bits);
    AData.U32(16, AHeader.Compression);
    AData.U32(32, AHeader.ColorsUsed);
    auto width = static_cast<int32_t>(w);
    auto height = static_cast<int32_t>(h);
    if (width <= 0 || height == 0 || height == INT32_MIN) {
        return false;
    }
    AHeader.Width = width;
    AHeader.TopDown = height < 0;
    AHeader.Height = height < 0 ? -height : height;
    AHeader.BitCount = bits;
    if (AHeader.Compression == BI_BITFIELDS_) {
        // Version 4 and 5 headers hold the masks; after a plain header they follow it.
        size_t at = size >= 52 ? 40 : size;
        AHeader.MaskBytes = size >= 52 ? 0 : 12;
        for (size_t i = 0; i < 3; ++i) {
            if (!AData.U32(at + 4 * i, AHeader.Masks[i])) {
                return false;
            }
        }
        if (size >= 56) {
            AData.U32(52, AHeader.Masks[3]);
        }
    }
    return true;
}

bool SupportedDepth(const DibHeader& AHeader) {
    switch (AHeader.Compression) {
    case BI_RGB_:
        return AHeader.BitCount == 1 || AHeader.BitCount == 4 || AHeader.BitCount == 8 ||
               AHeader.BitCount == 16 || AHeader.BitCount == 24 || AHeader.BitCount == 32;
    case BI_RLE8_:
        return AHeader.BitCount == 8 && !AHeader.TopDown;
    case BI_BITFIELDS_:
        return AHeader.BitCount == 16 || AHeader.BitCount == 32;
    default:
        return false;
    }
}

// One channel out of a packed pixel, scaled to 0..255.
uint8_t Channel(uint32_t APixel, uint32_t AMask) {
    if (AMask == 0) {
        return 0;
    }
    uint32_t value = (APixel & AMask) >> std::countr_zero(AMask);
    uint32_t top = AMask >> std::countr_zero(AMask);
    return static_cast<uint8_t>(static_cast<uint64_t>(value) * 255 / top);
}

class DibDecoder {
public:
    DibDecoder(const Bytes& AData, const DibHeader& AHeader) : FData(AData), FHeader(AHeader) {}

    // Reads the palette at APaletteAt; false when it does not fit.
    bool ReadPalette(size_t APaletteAt) {
        if (FHeader.BitCount > 8) {
            return true;
        }
        size_t entry = FHeader.Core ? 3 : 4;
        size_t count = FHeader.ColorsUsed != 0 ? std::min<size_t>(FHeader.ColorsUsed, 256)
                                               : size_t(1) << FHeader.BitCount;
        if (!FData.Has(APaletteAt, count * entry)) {
            return false;
        }
        for (size_t i = 0; i < count; ++i) {
            size_t at = APaletteAt + i * entry;
            FPalette.push_back(Opaque(FData.U8(at + 2), FData.U8(at + 1), FData.U8(at)));
        }
        return true;
    }

    size_t PaletteBytes() const {
        if (FHeader.BitCount > 8) {
            return 0;
        }
        size_t count = FHeader.ColorsUsed != 0 ? std::min<size_t>(FHeader.ColorsUsed, 256)
                                               : size_t(1) << FHeader.BitCount;
        return count * (FHeader.Core ? 3 : 4);
    }

    static size_t Stride(int AWidth, uint32_t ABits) {
        return ((static_cast<size_t>(AWidth) * ABits + 31) / 32) * 4;
    }

    // Decodes AHeight rows of pixels at ABitsAt into APicture; for 32-bit pixels, AHasAlpha tells
    // whether any pixel carried an alpha value (otherwise the alpha byte is padding).
    bool Decode(size_t ABitsAt, int AHeight, TPicture& APicture, bool& AHasAlpha) {
        APicture.Width = FHeader.Width;
        APicture.Height = AHeight;
        if (FHeader.Compression == BI_RLE8_) {
            APicture.Pixels.assign(static_cast<size_t>(FHeader.Width) * AHeight, PaletteColour(0));
            return DecodeRle8(ABitsAt, APicture);
        }
        size_t stride = Stride(FHeader.Width, FHeader.BitCount);
        if (!FData.Has(ABitsAt, stride * static_cast<size_t>(AHeight))) {
            return false;
        }
        APicture.Pixels.resize(static_cast<size_t>(FHeader.Width) * AHeight);
        AHasAlpha = false;
        for (int row = 0; row < AHeight; ++row) {
            int y = FHeader.TopDown ? row : AHeight - 1 - row;
            size_t at = ABitsAt + stride * static_cast<size_t>(row);
            for (int x = 0; x < FHeader.Width; ++x) {
                uint32_t pixel = PixelAt(at, x);
                AHasAlpha = AHasAlpha || (FHeader.BitCount == 32 && (pixel >> 24) != 0);
                APicture.Pixels[static_cast<size_t>(y) * FHeader.Width + x] = pixel;
            }
        }
        if (FHeader.BitCount == 32 && !AHasAlpha) {
            for (uint32_t& pixel : APicture.Pixels) {
                pixel |= 0xFF000000u;
            }
        }
        return true;
    }

private:
    uint32_t PaletteColour(size_t AIndex) const {
        return AIndex < FPalette.size() ? FPalette[AIndex] : Opaque(0, 0, 0);
    }

    // The pixel x of the row at ARowAt; 32-bit pixels keep their alpha byte as it is.
    uint32_t PixelAt(size_t ARowAt, int x) const {
        auto ux = static_cast<size_t>(x);
        switch (FHeader.BitCount) {
        case 1:
            return PaletteColour((FData.U8(ARowAt + ux / 8) >> (7 - ux % 8)) & 1);
        case 4:
            return PaletteColour((FData.U8(ARowAt + ux / 2) >> (ux % 2 == 0 ? 4 : 0)) & 0xF);
        case 8:
            return PaletteColour(FData.U8(ARowAt + ux));
        case 16: {
            uint32_t v = 0;
            FData.U16(ARowAt + 2 * ux, v);
            if (FHeader.Compression == BI_BITFIELDS_) {
                return Opaque(Channel(v, FHeader.Masks[0]), Channel(v, FHeader.Masks[1]),
                              Channel(v, FHeader.Masks[2]));
            }
            return Opaque(Channel(v, 0x7C00), Channel(v, 0x03E0), Channel(v, 0x001F));
        }
        case 24: {
            size_t at = ARowAt + 3 * ux;
            return Opaque(FData.U8(at + 2), FData.U8(at + 1), FData.U8(at));
        }
        default: {
            uint32_t v = 0;
            FData.U32(ARowAt + 4 * ux, v);
            if (FHeader.Compression == BI_BITFIELDS_) {
                uint8_t a = FHeader.Masks[3] != 0 ? Channel(v, FHeader.Masks[3]) : 0;
                return (static_cast<uint32_t>(a) << 24) | (Channel(v, FHeader.Masks[0]) << 16) |
                       (Channel(v, FHeader.Masks[1]) << 8) | Channel(v, FHeader.Masks[2]);
            }
            return v;
        }
        }
    }

    // Run-length encoded 8-bit rows, bottom row first. Runs that reach beyond the picture are cut; a
    // stream that ends before its end-of-bitmap mark is truncated and refused.
    bool DecodeRle8(size_t AAt, TPicture& APicture) const {
        int x = 0, row = 0;
        auto put = [&](int px, uint8_t index) {
            if (px < APicture.Width && row < APicture.Height) {
                size_t y = static_cast<size_t>(APicture.Height - 1 - row);
                APicture.Pixels[y * APicture.Width + px] = PaletteColour(index);
            }
        };
        size_t at = AAt;
        while (FData.Has(at, 2)) {
            uint8_t count = FData.U8(at);
            uint8_t value = FData.U8(at + 1);
            at += 2;
            if (count > 0) {
                for (int i = 0; i < count; ++i) {
                    put(x++, value);
                }
                continue;
            }
            if (value == 0) {
                x = 0;
                ++row;
            } else if (value == 1) {
                return true;
            } else if (value == 2) {
                if (!FData.Has(at, 2)) {
                    return false;
                }
                x += FData.U8(at);
                row += FData.U8(at + 1);
                at += 2;
            } else {
                size_t padded = value + (value & 1u);
                if (!FData.Has(at, padded)) {
                    return false;
                }
                for (size_t i = 0; i < value; ++i) {
                    put(x++, FData.U8(at + i));
                }
                at += padded;
            }
            if (row >= APicture.Height) {
                return true;
            }
            // Runs cannot go on for ever within a row; a hostile delta is cut back to the picture.
            x = std::min(x, APicture.Width);
        }
        return false;
    }

    const Bytes& FData;
    const DibHeader& FHeader;
    std::vector<uint32_t> FPalette;
};

bool Acceptable(const DibHeader& AHeader) {
    return AHeader.Width > 0 && AHeader.Height > 0 && AHeader.Width <= MaxSide && AHeader.Height <= MaxSide &&
           SupportedDepth(AHeader);
}

void MakeColourTransparent(TPicture& APicture, uint32_t AColour) {
    for (uint32_t& pixel : APicture.Pixels) {
        if ((pixel & 0x00FFFFFFu) == (AColour & 0x00FFFFFFu)) {
            pixel = 0;
        }
    }
}

bool IsIcon(const Bytes& AData) {
    uint32_t reserved = 1, type = 0, count = 0;
    return AData.U16(0, reserved) && AData.U16(2, type) && AData.U16(4, count) && reserved == 0 &&
           type == 1 && count > 0;
}

// One image of an icon file: a DIB twice its height (colours, then the 1-bit AND mask).
std::optional<TPicture> DecodeIconImage(const Bytes& AImage) {
    DibHeader header;
    if (!ReadDibHeader(AImage, header) || header.Core || header.TopDown || header.Compression == BI_RLE8_) {
        return std::nullopt;
    }
    header.Height /= 2;
    if (!Acceptable(header)) {
        return std::nullopt;
    }
    DibDecoder decoder(AImage, header);
    size_t paletteAt = header.Size + header.MaskBytes;
    if (!decoder.ReadPalette(paletteAt)) {
        return std::nullopt;
    }
    size_t bitsAt = paletteAt + decoder.PaletteBytes();
    TPicture picture;
    bool hasAlpha = false;
    if (!decoder.Decode(bitsAt, header.Height, picture, hasAlpha)) {
        return std::nullopt;
    }
    if (hasAlpha) {
        return picture;
    }
    size_t maskAt =
        bitsAt + DibDecoder::Stride(header.Width, header.BitCount) * static_cast<size_t>(header.Height);
    size_t maskStride = DibDecoder::Stride(header.Width, 1);
    if (!AImage.Has(maskAt, maskStride * static_cast<size_t>(header.Height))) {
        return std::nullopt;
    }
    for (int row = 0; row < header.Height; ++row) {
        size_t at = maskAt + maskStride * static_cast<size_t>(row);
        size_t y = static_cast<size_t>(header.Height - 1 - row);
        for (int x = 0; x < header.Width; ++x) {
            auto ux = static_cast<size_t>(x);
            if ((AImage.U8(at + ux / 8) >> (7 - ux % 8)) & 1) {
                picture.Pixels[y * header.Width + ux] = 0;
            }
        }
    }
    return picture;
}

} // namespace

TPicture TPicture::Slice(int x, int w) const {
    TPicture part;
    if (Empty() || x < 0 || x >= Width || w <= 0) {
        return part;
    }
    part.Width = std::min(w, Width - x);
    part.Height = Height;
    part.Pixels.reserve(static_cast<size_t>(part.Width) * Height);
    for (int y = 0; y < Height; ++y) {
        auto row = Pixels.begin() + static_cast<ptrdiff_t>(y) * Width + x;
        part.Pixels.insert(part.Pixels.end(), row, row + part.Width);
    }
    return part;
}

std::optional<TPicture> DecodeBitmap(std::string_view AData, TTransparency ATransparency) {
    Bytes data(AData);
    uint32_t bitsAt = 0;
    if (AData.size() < 14 || AData[0] != 'B' || AData[1] != 'M' || !data.U32(10, bitsAt)) {
        return std::nullopt;
    }
    Bytes dib = data.Sub(14);
    DibHeader header;
    if (!ReadDibHeader(dib, header) || !Acceptable(header)) {
        return std::nullopt;
    }
    DibDecoder decoder(dib, header);
    if (!decoder.ReadPalette(header.Size + header.MaskBytes) || bitsAt < 14) {
        return std::nullopt;
    }
    TPicture picture;
    bool hasAlpha = false;
    if (!decoder.Decode(bitsAt - 14, header.Height, picture, hasAlpha)) {
        return std::nullopt;
    }
    if (ATransparency == TTransparency::BottomLeft) {
        MakeColourTransparent(picture, picture.Pixel(0, picture.Height - 1));
    }
    return picture;
}

std::optional<TPicture> DecodeIcon(std::string_view AData, int ASize) {
    Bytes data(AData);
    if (!IsIcon(data)) {
        return std::nullopt;
    }
    uint32_t count = 0;
    data.U16(4, count);
    struct Entry {
        int Size;
        uint32_t Bits;
        uint32_t Length;
        uint32_t Offset;
    };
    std::vector<Entry> entries;
    for (uint32_t i = 0; i < count; ++i) {
        size_t at = 6 + 16 * static_cast<size_t>(i);
        Entry entry{};
        uint32_t bits = 0;
        if (!data.Has(at, 16) || !data.U16(at + 6, bits) || !data.U32(at + 8, entry.Length) ||
            !data.U32(at + 12, entry.Offset)) {
            return std::nullopt;
        }
        entry.Size = data.U8(at) == 0 ? 256 : data.U8(at);
        entry.Bits = bits;
        if (data.Has(entry.Offset, entry.Length)) {
            entries.push_back(entry);
        }
    }
    // The size asked for first, then larger ones from the nearest, then smaller ones from the largest;
    // among equal sizes the deepest colours.
    auto rank = [ASize](const Entry& e) { return e.Size >= ASize ? e.Size - ASize : 100000 - e.Size; };
    std::stable_sort(entries.begin(), entries.end(), [&](const Entry& a, const Entry& b) {
        return rank(a) != rank(b) ? rank(a) < rank(b) : a.Bits > b.Bits;
    });
    for (const Entry& entry : entries) {
        if (auto picture = DecodeIconImage(Bytes(AData.substr(entry.Offset, entry.Length)))) {
            return picture;
        }
    }
    return std::nullopt;
}

std::optional<TPicture> DecodePicture(std::string_view AData, int AIconSize,
                                      TTransparency ABitmapTransparency) {
    if (AData.size() >= 2 && AData[0] == 'B' && AData[1] == 'M') {
        return DecodeBitmap(AData, ABitmapTransparency);
    }
    return DecodeIcon(AData, AIconSize);
}

void TRecordingCanvas::FillRect(const TRect& ARect) {
    Ops.push_back({"fill", ARect, {}, 0, BrushColor, FontColor, FontName, nullptr});
}

void TRecordingCanvas::Draw(int X, int Y, const TPicture& APicture) {
    Ops.push_back({"draw",
                   {X, Y, X + APicture.Width, Y + APicture.Height},
                   {},
                   0,
                   BrushColor,
                   FontColor,
                   FontName,
                   &APicture});
}

void TRecordingCanvas::DrawText(const std::string& AText, const TRect& ARect, uint32_t AFlags) {
    Ops.push_back({"text", ARect, AText, AFlags, BrushColor, FontColor, FontName, nullptr});
}

} // namespace ui
