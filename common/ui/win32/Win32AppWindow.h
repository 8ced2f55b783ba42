#pragma once
// The application's own window: hidden and without size, it carries the program's taskbar button and
// owns the forms that have no other owner, as the taskbar shows one button for a window and the
// windows it owns.
#include "ui/win32/Win32Common.h"

namespace ui::win32 {

class ApplicationWindow {
public:
    // Made on first use, on the window thread, and kept until the process ends.
    static ApplicationWindow& Get();
    HWND Handle() const { return FHandle.get(); }
    // Whether the program wants its taskbar button.
    void SetButtonWanted(bool AWanted);
    // The button shows while the program wants it and a form this window owns is visible; forms call
    // this when they are shown or hidden.
    void Update();

private:
    ApplicationWindow();
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

    plat::win::unique_hwnd FHandle;
    bool FWanted = true;
};

} // namespace ui::win32
