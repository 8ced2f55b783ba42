#pragma once
// Shared pieces of the native peers: module handle, fonts, checked window classes and windows, and the
// peer every native control has.
#include "ui/Forms.h"

#include "platform/win32/UniqueAny.h"

#include <windows.h>

#include <string>

namespace ui::win32 {

// Message posted to the hand-off window: run the queued Synchronize requests.
constexpr UINT WM_TK_SYNCHRONIZE = WM_APP + 1;

HINSTANCE Instance();
// A font of the face, point size and style, kept for the life of the program.
HFONT FontFor(const TFont& AFont);
// The native window of a control's peer, or nullptr.
HWND WindowOf(const TControl* AControl);

// EOSError with the calling thread's last error and the system's text for it, after AWhat.
[[noreturn]] void RaiseLastError(const std::string& AWhat);
// Registers a window class once per process; EOSError when the system refuses it.
void RegisterWindowClass(const WNDCLASSEXW& AClass);
// CreateWindowExW whose failure is EOSError naming the class, instead of a window that is not there.
HWND CreateWindowChecked(DWORD AExStyle, const wchar_t* AClass, DWORD AStyle, int ALeft, int ATop, int AWidth,
                         int AHeight, HWND AParent, void* ACreateParam = nullptr);

// Every native peer owns its window; the form's peer also answers messages its children send up.
class WindowPeer : public IControlPeer {
public:
    HWND Handle() const { return FHandle.get(); }
    ~WindowPeer() override;

    // Messages a child sends to its parent (drawing, colours) reach the child's peer here.
    virtual bool ParentNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

protected:
    // Takes a child window of a system class: its messages to the parent find this peer from now on.
    void AdoptChild(HWND AWindow);
    void ApplyCommon(const TControl& control);
    plat::win::unique_hwnd FHandle;
};

// The peer of a child window made by AdoptChild, or nullptr.
WindowPeer* PeerOfWindow(HWND AWindow);

} // namespace ui::win32
