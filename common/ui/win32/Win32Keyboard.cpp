#include "ui/Keyboard.h"

#include <windows.h>

namespace ui {

bool ControlKeyDown() {
    return (GetKeyState(VK_CONTROL) & 0x8000) != 0;
}

} // namespace ui
