#pragma once
// Shared pieces of the native peers: module handle, screen resolution, fonts, colours, checked window
// classes and windows.
#include "ui/Forms.h"

#include "platform/win32/UniqueAny.h"

#include <windows.h>

#include <string>

// <windows.h> names DrawTextW DrawText, which would rename the canvas's own DrawText here; the peers
// call DrawTextW by its name.
#undef DrawText

namespace ui::win32 {

// Message posted to the hand-off window: run the queued Synchronize requests.
constexpr UINT WM_TK_SYNCHRONIZE = WM_APP + 1;
// The notification-area icon's callback message.
constexpr UINT WM_TK_TRAY = WM_APP + 2;

HINSTANCE Instance();

// Components keep positions in pixels at 96 dpi; windows get them at the screen's resolution (the
// program is system-DPI aware, so one factor serves every window).
int ScreenDpi();
int Scale(int APixels);

// A font of the face, point size and style, kept for the life of the program.
HFONT FontFor(const TFont& AFont);
// A colour with system colours resolved; clDefault gives the system colour ADefault (COLOR_*).
COLORREF ColorRefOf(TColor AColor, int ADefault);
// A brush of that colour, kept for the life of the program (system colours: the system's own brush).
HBRUSH BrushFor(TColor AColor, int ADefault);

// EOSError with the calling thread's last error and the system's text for it, after AWhat.
[[noreturn]] void RaiseLastError(const std::string& AWhat);
// Registers a window class once per process; EOSError when the system refuses it.
void RegisterWindowClass(const WNDCLASSEXW& AClass);
// CreateWindowExW whose failure is EOSError naming the class, instead of a window that is not there.
HWND CreateWindowChecked(DWORD AExStyle, const wchar_t* AClass, DWORD AStyle, int ALeft, int ATop, int AWidth,
                         int AHeight, HWND AParent, void* ACreateParam = nullptr, UINT_PTR AId = 0);

std::wstring WindowText(HWND AWindow);
// Sets the window text only when it differs: a control that reports its text changes would otherwise
// echo the program's own change back, and a static would flicker.
void SetWindowTextIfDifferent(HWND AWindow, const std::string& AText);
// Sets or clears style bits; true when anything changed.
bool UpdateStyle(HWND AWindow, int AIndex, LONG_PTR AMask, LONG_PTR AValue);

} // namespace ui::win32
