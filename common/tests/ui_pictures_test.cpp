// Bitmaps and icons as replacement files bring them: every depth and row order read to the same
// pixels, transparency from the bottom-left pixel or the icon's mask, and damaged or hostile files
// refused without reading past their end or asking for absurd amounts of memory.
#include "ui/Graphics.h"
#include "ui/ImgList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

void Put16(std::string& s, uint32_t v) {
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void Put32(std::string& s, uint32_t v) {
    Put16(s, v & 0xFFFF);
    Put16(s, v >> 16);
}

void Set32(std::string& s, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        s[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

constexpr uint32_t Red = 0xFFFF0000u, Green = 0xFF00FF00u, Blue = 0xFF0000FFu, Black = 0xFF000000u,
                   Magenta = 0xFFFF00FFu, White = 0xFFFFFFFFu;

// A DIB (header, palette, rows bottom-up unless top-down) of the given top-first pixels, as the .bmp and
// .ico writers of paint programs lay it out. Palette entries are the pixels' colours in order of
// appearance; an icon's DIB has its height doubled and an AND mask after the colours.
struct Dib {
    int Width = 0, Height = 0, Bits = 24;
    bool TopDown = false;
    std::vector<uint32_t> Pixels;
    std::vector<bool> Mask; // icons: true where transparent

    std::vector<uint32_t> Palette() const {
        std::vector<uint32_t> palette;
        for (uint32_t p : Pixels) {
            if (std::find(palette.begin(), palette.end(), p) == palette.end()) {
                palette.push_back(p);
            }
        }
        return palette;
    }

    std::string Bytes(bool icon) const {
        std::vector<uint32_t> palette = Bits <= 8 ? Palette() : std::vector<uint32_t>{};
        std::string s;
        Put32(s, 40);
        Put32(s, static_cast<uint32_t>(Width));
        Put32(s, static_cast<uint32_t>(TopDown ? -Height : (icon ? 2 * Height : Height)));
        Put16(s, 1);
        Put16(s, static_cast<uint32_t>(Bits));
        Put32(s, 0);
        Put32(s, 0);
        Put32(s, 0);
        Put32(s, 0);
        Put32(s, static_cast<uint32_t>(palette.size()));
        Put32(s, 0);
        for (uint32_t c : palette) {
            Put32(s, c & 0xFFFFFF);
        }
        size_t stride = ((static_cast<size_t>(Width) * Bits + 31) / 32) * 4;
        for (int row = 0; row < Height; ++row) {
            int y = TopDown ? row : Height - 1 - row;
            std::string line(stride, '\0');
            for (int x = 0; x < Width; ++x) {
                uint32_t p = Pixels[static_cast<size_t>(y) * Width + x];
                auto index =
                    static_cast<uint32_t>(std::find(palette.begin(), palette.end(), p) - palette.begin());
                if (Bits < 8) {
                    int perByte = 8 / Bits;
                    int shift = 8 - Bits * (x % perByte + 1);
                    line[x / perByte] = static_cast<char>(line[x / perByte] | (index << shift));
                } else if (Bits == 8) {
                    line[x] = static_cast<char>(index);
                } else {
                    size_t at = static_cast<size_t>(x) * (Bits / 8);
                    line[at] = static_cast<char>(p & 0xFF);
                    line[at + 1] = static_cast<char>((p >> 8) & 0xFF);
                    line[at + 2] = static_cast<char>((p >> 16) & 0xFF);
                    if (Bits == 32) {
                        line[at + 3] = static_cast<char>(p >> 24);
                    }
                }
            }
            s += line;
        }
        if (icon) {
            size_t maskStride = ((static_cast<size_t>(Width) + 31) / 32) * 4;
            for (int row = 0; row < Height; ++row) {
                int y = Height - 1 - row;
                std::string line(maskStride, '\0');
                for (int x = 0; x < Width; ++x) {
                    if (!Mask.empty() && Mask[static_cast<size_t>(y) * Width + x]) {
                        line[x / 8] = static_cast<char>(line[x / 8] | (0x80 >> (x % 8)));
                    }
                }
                s += line;
            }
        }
        return s;
    }
};

std::string BmpFile(const std::string& dib) {
    std::string s = "BM";
    Put32(s, static_cast<uint32_t>(14 + dib.size()));
    Put32(s, 0);
    uint32_t palette = 0;
    std::memcpy(&palette, dib.data() + 32, 4);
    Put32(s, 14 + 40 + palette * 4);
    return s + dib;
}

std::string IcoFile(const std::vector<std::pair<int, std::string>>& images) {
    std::string s;
    Put16(s, 0);
    Put16(s, 1);
    Put16(s, static_cast<uint32_t>(images.size()));
    size_t offset = 6 + 16 * images.size();
    for (const auto& [size, dib] : images) {
        s += static_cast<char>(size >= 256 ? 0 : size);
        s += static_cast<char>(size >= 256 ? 0 : size);
        s += '\0';
        s += '\0';
        Put16(s, 1);
        Put16(s, 32);
        Put32(s, static_cast<uint32_t>(dib.size()));
        Put32(s, static_cast<uint32_t>(offset));
        offset += dib.size();
    }
    for (const auto& image : images) {
        s += image.second;
    }
    return s;
}

// A 5 × 3 picture (odd width: every row is padded) of up to four colours.
Dib Sample(int bits, bool topDown) {
    Dib d;
    d.Width = 5;
    d.Height = 3;
    d.Bits = bits;
    d.TopDown = topDown;
    std::vector<uint32_t> colours =
        bits == 1 ? std::vector<uint32_t>{Black, White} : std::vector<uint32_t>{Red, Green, Blue, Magenta};
    for (int i = 0; i < 15; ++i) {
        d.Pixels.push_back(colours[static_cast<size_t>(i * 7 % 11) % colours.size()]);
    }
    return d;
}

TEST(Bitmaps, EveryDepthAndRowOrderReadsToTheSamePixels) {
    for (int bits : {1, 4, 8, 24, 32}) {
        for (bool topDown : {false, true}) {
            Dib dib = Sample(bits, topDown);
            std::optional<ui::TPicture> picture = ui::DecodeBitmap(BmpFile(dib.Bytes(false)));
            ASSERT_TRUE(picture) << bits << " bpp, top-down " << topDown;
            EXPECT_EQ(picture->Width, 5);
            EXPECT_EQ(picture->Height, 3);
            EXPECT_EQ(picture->Pixels, dib.Pixels) << bits << " bpp, top-down " << topDown;
        }
    }
}

TEST(Bitmaps, ThirtyTwoBitsKeepTheirAlphaUnlessNoPixelHasAny) {
    Dib dib = Sample(32, false);
    for (uint32_t& p : dib.Pixels) {
        p &= 0x00FFFFFF;
    }
    auto opaque = ui::DecodeBitmap(BmpFile(dib.Bytes(false)));
    ASSERT_TRUE(opaque);
    EXPECT_EQ(opaque->Pixel(0, 0) >> 24, 0xFFu) << "an all-zero alpha byte is padding";
    dib.Pixels[0] = 0x80FF0000u;
    auto translucent = ui::DecodeBitmap(BmpFile(dib.Bytes(false)));
    ASSERT_TRUE(translucent);
    EXPECT_EQ(translucent->Pixel(0, 0), 0x80FF0000u);
}

TEST(Bitmaps, RunLengthEncodedRowsWithDeltasAndAbsoluteRuns) {
    std::string dib;
    Put32(dib, 40);
    Put32(dib, 5);
    Put32(dib, 2);
    Put16(dib, 1);
    Put16(dib, 8);
    Put32(dib, 1); // BI_RLE8
    for (int i = 0; i < 3; ++i) {
        Put32(dib, 0);
    }
    Put32(dib, 3);
    Put32(dib, 0);
    for (uint32_t c : {Black, Red, Green}) {
        Put32(dib, c & 0xFFFFFF);
    }
    // Bottom row: two red, then green red green as an absolute run; top row: three skipped, two green.
    dib += std::string("\x02\x01\x00\x03\x02\x01\x02\x00\x00\x00\x00\x02\x03\x00\x02\x02\x00\x01", 18);
    auto picture = ui::DecodeBitmap(BmpFile(dib));
    ASSERT_TRUE(picture);
    EXPECT_EQ(picture->Pixels,
              (std::vector<uint32_t>{Black, Black, Black, Green, Green, Red, Red, Green, Red, Green}));
    EXPECT_FALSE(ui::DecodeBitmap(BmpFile(dib.substr(0, dib.size() - 2)))) << "no end-of-bitmap mark";
}

TEST(Bitmaps, TheBottomLeftPixelGivesTheTransparentColour) {
    Dib dib = Sample(24, false);
    dib.Pixels[10] = Magenta; // bottom-left
    dib.Pixels[2] = Magenta;
    dib.Pixels[4] = 0xFFFE00FFu; // nearly magenta stays
    auto picture = ui::DecodeBitmap(BmpFile(dib.Bytes(false)), ui::TTransparency::BottomLeft);
    ASSERT_TRUE(picture);
    for (int i = 0; i < 15; ++i) {
        bool transparent = dib.Pixels[static_cast<size_t>(i)] == Magenta;
        EXPECT_EQ(picture->Pixels[static_cast<size_t>(i)] >> 24, transparent ? 0u : 0xFFu) << i;
    }
    ui::TImageList balls(nullptr, "ImageBalls", 5, 3);
    balls.Add(ui::TPicture{5, 3, std::vector<uint32_t>(15, Black)});
    unsigned generation = balls.Generation();
    EXPECT_EQ(balls.AddMasked(BmpFile(dib.Bytes(false))), 1);
    EXPECT_EQ(balls.Picture(1).Pixel(0, 2), 0u);
    EXPECT_GT(balls.Generation(), generation);
    EXPECT_EQ(balls.AddMasked("not a bitmap"), -1);
}

TEST(Icons, TheAskedSizeIsChosenAndTransparencyComesFromAlphaOrTheMask) {
    Dib small = Sample(32, false);
    small.Width = small.Height = 16;
    small.Pixels.assign(256, 0xFF00FF00u);
    small.Pixels[0] = 0x00000000u;
    small.Pixels[1] = 0x80112233u;
    Dib large;
    large.Width = large.Height = 32;
    large.Bits = 8;
    large.Pixels.assign(1024, Red);
    large.Mask.assign(1024, false);
    large.Mask[0] = true;
    std::string ico = IcoFile({{32, large.Bytes(true)}, {16, small.Bytes(true)}});

    auto sixteen = ui::DecodeIcon(ico, 16);
    ASSERT_TRUE(sixteen);
    EXPECT_EQ(sixteen->Width, 16);
    EXPECT_EQ(sixteen->Pixel(1, 0), 0x80112233u) << "the alpha channel as it is";
    auto thirtyTwo = ui::DecodeIcon(ico, 24);
    ASSERT_TRUE(thirtyTwo) << "the nearest larger size";
    EXPECT_EQ(thirtyTwo->Width, 32);
    EXPECT_EQ(thirtyTwo->Pixel(0, 0), 0u) << "the AND mask without alpha";
    EXPECT_EQ(thirtyTwo->Pixel(1, 0), Red);
    EXPECT_EQ(ui::DecodeIcon(ico, 48).value().Width, 32) << "the largest when none is as large";

    auto picked = ui::DecodePicture(ico, 16);
    ASSERT_TRUE(picked);
    EXPECT_EQ(picked->Width, 16);
    ui::TImageList tray(nullptr, "ImageTrayIcons");
    EXPECT_EQ(tray.AddIcon(IcoFile({{32, large.Bytes(true)}})), 0);
    EXPECT_EQ(tray.Picture(0).Width, 16) << "pictures of another size are fitted to the list";
}

TEST(Pictures, DamagedAndHostileFilesAreRefused) {
    std::string bmp = BmpFile(Sample(8, false).Bytes(false));
    Dib iconDib = Sample(8, false);
    iconDib.Mask.assign(15, false);
    std::string ico = IcoFile({{5, iconDib.Bytes(true)}});
    for (size_t cut = 0; cut < bmp.size(); ++cut) {
        EXPECT_FALSE(ui::DecodeBitmap(bmp.substr(0, cut))) << "bitmap cut at " << cut;
    }
    for (size_t cut = 0; cut < ico.size(); ++cut) {
        EXPECT_FALSE(ui::DecodeIcon(ico.substr(0, cut), 16)) << "icon cut at " << cut;
    }

    struct Hostile {
        const char* What;
        std::vector<std::pair<size_t, uint32_t>> Edits; // offset, 32-bit value
    };
    const Hostile bitmaps[] = {
        {"width beyond the cap", {{18, 100000}}},
        {"height beyond the cap", {{22, 4097}}},
        {"the most negative height", {{22, 0x80000000u}}},
        {"zero width", {{18, 0}}},
        {"a 4096 x 4096 picture claimed by a small file", {{18, 4096}, {22, 4096}}},
        {"pixels beyond the end", {{10, 0xFFFFFFF0u}}},
        {"a palette of four billion colours", {{46, 0xFFFFFFFFu}}},
        {"an unknown compression", {{30, 7}}},
        {"run-length coding of 24 bits", {{28, 24 | (1u << 16)}}},
        {"a header size larger than the file", {{14, 0x7FFFFFFF}}},
    };
    for (const Hostile& h : bitmaps) {
        std::string bad = bmp;
        for (auto [at, value] : h.Edits) {
            Set32(bad, at, value);
        }
        EXPECT_FALSE(ui::DecodeBitmap(bad)) << h.What;
    }
    std::string manyEntries = ico;
    manyEntries[4] = '\xFF';
    manyEntries[5] = '\xFF';
    EXPECT_FALSE(ui::DecodeIcon(manyEntries, 16)) << "65535 entries in a small file";
    std::string farImage = ico;
    Set32(farImage, 18, 0xFFFFFFF0u);
    EXPECT_FALSE(ui::DecodeIcon(farImage, 16)) << "an image beyond the end";
    EXPECT_FALSE(ui::DecodePicture("GIF89a", 16));

    // Bytes changed at random must never make the decoders read outside the data (the sanitizer build
    // watches); what they return does not matter.
    std::mt19937 random(20261209);
    for (const std::string& good : {bmp, ico}) {
        for (int round = 0; round < 2000; ++round) {
            std::string bad = good;
            for (int flips = 0; flips < 4; ++flips) {
                bad[random() % bad.size()] = static_cast<char>(random());
            }
            ui::DecodePicture(bad, 16, ui::TTransparency::BottomLeft);
        }
    }
}

TEST(Pictures, ASliceIsOneGlyphOfAStrip) {
    ui::TPicture strip{3, 2, {1, 2, 3, 4, 5, 6}};
    EXPECT_EQ(strip.Slice(1, 2).Pixels, (std::vector<uint32_t>{2, 3, 5, 6}));
    EXPECT_EQ(strip.Slice(2, 5).Pixels, (std::vector<uint32_t>{3, 6})) << "cut at the strip's end";
    EXPECT_TRUE(strip.Slice(3, 1).Empty());
    EXPECT_TRUE(strip.Slice(-1, 1).Empty());
}

} // namespace
