#pragma once
// Shared pieces of the native peers: module handle, fonts, and the window classes of this runtime.
#include "ui/Forms.h"

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

// Every native peer keeps its window; the form's peer also answers messages its children send up.
class WindowPeer : public IControlPeer {
public:
    HWND Handle() const { return FHandle; }
    ~WindowPeer() override;

    // Messages a child sends to its parent (drawing, colours) reach the child's peer here.
    virtual bool ParentNotify(UINT, WPARAM, LPARAM, LRESULT&) { return false; }

protected:
    void ApplyCommon(const TControl& control);
    HWND FHandle = nullptr;
};

WindowPeer* PeerOfWindow(HWND AWindow);

} // namespace ui::win32
