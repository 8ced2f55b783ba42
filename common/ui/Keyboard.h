#pragma once
// The keyboard's state as the window thread sees it, for handlers that behave differently while a
// modifier key is held.
namespace ui {

// The Ctrl key is down now (the high bit of VK_CONTROL in the window thread's keyboard state).
bool ControlKeyDown();

#ifndef _WIN32
// The headless build has no keyboard: a test holds Ctrl down and lets it go with this.
void SetControlKeyDown(bool ADown);
#endif

} // namespace ui
