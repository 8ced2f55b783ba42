#pragma once
// What the portable side needs to know of the pictures and clips compiled into a program: sizes and
// frame data read from the resource bytes, so both peers and tests see the same facts.
#include <cstdint>
#include <string_view>

namespace ui {

struct TAviInfo {
    bool Valid = false;
    uint32_t MicroSecPerFrame = 0;
    uint32_t TotalFrames = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint16_t BitCount = 0;
    uint32_t Compression = 0; // 0: uncompressed (BI_RGB), 1: RLE8
    uint32_t Streams = 0;
    uint32_t FrameChunks = 0; // "00db"/"00dc" chunks found in the movie list
};

// Reads the headers of a RIFF AVI clip; Valid is false for anything the animation control refuses.
TAviInfo ParseAvi(std::string_view data);

struct TBitmapInfo {
    bool Valid = false;
    int32_t Width = 0;
    int32_t Height = 0; // always positive; BottomUp tells the row order
    bool BottomUp = true;
    uint16_t BitCount = 0;
};

// Reads the headers of a Windows .bmp file.
TBitmapInfo ParseBitmap(std::string_view data);

} // namespace ui
