#pragma once
// The peer of a non-visual component that needs a window of its own to receive messages (timer ticks,
// tray notifications, a menu's owner), which it answers in Message.
#include "ui/win32/Win32WindowPeer.h"

namespace ui::win32 {

class HiddenWindowPeer : public WindowPeer {
protected:
    // A message-only window; a top-level one when broadcasts must reach it (the shell's restart) or it
    // must own a menu that takes the foreground.
    enum class TKind { MessageOnly, TopLevel };
    void CreateHiddenWindow(const wchar_t* AClass, TKind AKind);
    // Answers a message; unanswered ones go to DefWindowProc.
    virtual bool Message(UINT AMessage, WPARAM AWParam, LPARAM ALParam, LRESULT& AResult) = 0;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
};

} // namespace ui::win32
