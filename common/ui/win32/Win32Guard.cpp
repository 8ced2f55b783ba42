#include "ui/win32/Win32Guard.h"

namespace ui::win32 {

namespace {
// Each thread that has windows dispatches its own messages.
thread_local std::exception_ptr gKeptError;
} // namespace

void KeepHandlerError(std::exception_ptr AError) {
    if (!gKeptError) {
        gKeptError = std::move(AError);
    }
}

void RaiseKeptHandlerError() {
    if (gKeptError) {
        std::rethrow_exception(std::exchange(gKeptError, nullptr));
    }
}

} // namespace ui::win32
