#pragma once
// Errors of the program's handlers must not unwind through the system's window procedures (32-bit
// code cannot unwind through them at all): a window procedure keeps the error, and the message loop
// that dispatched the message raises it once the dispatch has returned.
#include <windows.h>

#include <exception>
#include <utility>

namespace ui::win32 {

// Keeps the error of a handler for the message loop (the first one, when several come at once).
void KeepHandlerError(std::exception_ptr AError);
// Raises the kept error, if any, and forgets it.
void RaiseKeptHandlerError();

// Runs a window procedure's work; an error is kept and AFallback returned.
template <class F> LRESULT Guarded(F&& AWork, LRESULT AFallback = 0) noexcept {
    try {
        return std::forward<F>(AWork)();
    } catch (...) {
        KeepHandlerError(std::current_exception());
        return AFallback;
    }
}

} // namespace ui::win32
