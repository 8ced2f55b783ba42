#pragma once
// What the state-only peers of the Linux build keep beyond the components' own state, for tests that
// look at a form as a user would: repaints and what they drew, open menus, the tray and taskbar.
#include "ui/ExtCtrls.h"
#include "ui/Graphics.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

#include <memory>

namespace ui::headless {

// How many times the control was asked to draw itself again (Invalidate); 0 without a peer.
int RepaintCount(const TControl& AControl);
// Every item of an owner-drawn list as its last repaint drew it, top to bottom; the list repaints on
// Invalidate and on every change while it is showing. Null before the first repaint.
std::shared_ptr<const TRecordingCanvas> LastDrawing(const TListBox& AList);
// The menu was popped up and neither an item was chosen nor the menu dismissed since.
bool PopupOpen(const TPopupMenu& AMenu);
// The menu goes away: a choice was made, or the user clicked elsewhere.
void ClosePopup(TPopupMenu& AMenu);
// The icon is in the notification area (its peer saw it visible last).
bool TrayIconShown(const TTrayIcon& AIcon);
// The application's own window, the one with the taskbar button, as last shown or hidden.
bool TaskbarButtonShown();

} // namespace ui::headless
