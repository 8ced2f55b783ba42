#pragma once
// Native peers: the form as a top-level window and each control as a child window of it.
#include "ui/win32/Win32Common.h"

#include <memory>

namespace ui::win32 {

std::unique_ptr<IControlPeer> CreateNativePeer(TControl& AControl);

} // namespace ui::win32
