#pragma once
// The hints of a form's controls: one tooltip window per form, a tool per control that shows its hint.
#include "ui/win32/Win32Common.h"

#include <string>

namespace ui::win32 {

class FormHints {
public:
    explicit FormHints(HWND AForm) : FForm(AForm) {}
    // Shows AText as the hint of the tool window (an empty text removes it); returns the tooltip
    // window that holds the tool, made on first use.
    HWND Set(HWND ATool, const std::string& AText);
    // Removes a tool from a tooltip window that may be gone already.
    static void Remove(HWND ATooltip, HWND ATool);

private:
    HWND FForm;
    plat::win::unique_hwnd FTooltip;
};

} // namespace ui::win32
