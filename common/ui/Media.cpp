#include "ui/Media.h"

#include <algorithm>
#include <cstring>

namespace ui {

namespace {

uint32_t U32(std::string_view d, size_t at) {
    if (at + 4 > d.size()) {
        return 0;
    }
    auto b = reinterpret_cast<const unsigned char*>(d.data() + at);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

uint16_t U16(std::string_view d, size_t at) {
    if (at + 2 > d.size()) {
        return 0;
    }
    auto b = reinterpret_cast<const unsigned char*>(d.data() + at);
    return static_cast<uint16_t>(b[0] | (b[1] << 8));
}

bool Tag(std::string_view d, size_t at, const char* tag) {
    return at + 4 <= d.size() && std::memcmp(d.data() + at, tag, 4) == 0;
}

// Walks the chunks of [begin, end), descending into LIST chunks.
void WalkAvi(std::string_view d, size_t begin, size_t end, TAviInfo& info) {
    size_t at = begin;
    while (at + 8 <= end) {
        uint32_t size = U32(d, at + 4);
        size_t body = at + 8;
        if (size > end - body) {
            info.Valid = false;
            return;
        }
        if (Tag(d, at, "LIST")) {
            WalkAvi(d, body + 4, body + size, info);
        } else if (Tag(d, at, "avih") && size >= 40) {
            info.MicroSecPerFrame = U32(d, body);
            info.TotalFrames = U32(d, body + 16);
            info.Streams = U32(d, body + 24);
            info.Width = U32(d, body + 32);
            info.Height = U32(d, body + 36);
        } else if (Tag(d, at, "strf") && size >= 40) {
            info.BitCount = U16(d, body + 14);
            info.Compression = U32(d, body + 16);
        } else if (Tag(d, at, "00db") || Tag(d, at, "00dc")) {
            ++info.FrameChunks;
        }
        at = body + size + (size & 1);
    }
}

} // namespace

TAviInfo ParseAvi(std::string_view data) {
    TAviInfo info;
    if (!Tag(data, 0, "RIFF") || !Tag(data, 8, "AVI ")) {
        return info;
    }
    size_t end = std::min<size_t>(data.size(), static_cast<size_t>(U32(data, 4)) + 8);
    info.Valid = true;
    WalkAvi(data, 12, end, info);
    info.Valid = info.Valid && info.TotalFrames > 0 && info.Width > 0 && info.Height > 0 &&
                 (info.Compression == 0 || info.Compression == 1) && info.Streams == 1;
    return info;
}

TBitmapInfo ParseBitmap(std::string_view data) {
    TBitmapInfo info;
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M' || U32(data, 14) < 40) {
        return info;
    }
    info.Width = static_cast<int32_t>(U32(data, 18));
    auto height = static_cast<int32_t>(U32(data, 22));
    info.BottomUp = height > 0;
    info.Height = height < 0 ? -height : height;
    info.BitCount = U16(data, 28);
    info.Valid = info.Width > 0 && info.Height > 0 && U32(data, 10) < data.size();
    return info;
}

} // namespace ui
