#include "ui/Keyboard.h"

#include <atomic>

namespace ui {

namespace {
std::atomic<bool> controlDown{false};
}

bool ControlKeyDown() {
    return controlDown;
}

void SetControlKeyDown(bool ADown) {
    controlDown = ADown;
}

} // namespace ui
