#pragma once
// Shapes are painted by their parent as part of its background, so that every control on a shape is
// drawn over it whatever the order in which they were made.
#include "ui/win32/Win32Common.h"

namespace ui::win32 {

// Paints the visible shapes among the container's children, in creation order.
void PaintShapes(HDC ADC, const TControl& AContainer);

} // namespace ui::win32
