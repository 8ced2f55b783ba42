#pragma once
// Pictures as the system wants them: 32-bit DIB sections (premultiplied for AlphaBlend and menus),
// icons, and pictures read back from icons.
#include "ui/win32/Win32Common.h"

#include <optional>

namespace ui::win32 {

// A top-down 32-bit DIB section of the picture, with its alpha premultiplied or straight (icons keep
// straight alpha); empty for an empty picture or when the system has no memory for it.
plat::win::unique_gdi<HBITMAP> MakeBitmap(const TPicture& APicture, bool APremultiplied);
// Draws the picture with its transparency at (X, Y).
void DrawPicture(HDC ADC, int X, int Y, const TPicture& APicture);
// An icon of the picture, with its transparency; empty when the system refuses it.
plat::win::unique_hicon MakeIcon(const TPicture& APicture);
// The pixels of an icon: its alpha channel, or its mask where it has none.
std::optional<TPicture> PictureOfIcon(HICON AIcon);

} // namespace ui::win32
