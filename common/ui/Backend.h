#pragma once
// The seam between the portable components and what renders them. A peer mirrors one control; the
// backend owns the message loop and the hand-off from worker threads. The build links exactly one
// backend: win32/ (native windows) or headless/ (state only, for tests and Linux runs).
#include "Errors.h"
#include "platform/Types.h"

#include <memory>
#include <string>

namespace ui {

class TComponent;

// A component the backend cannot render, or a window it cannot make.
class EPeerError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EPeerError"; }
};

class IControlPeer {
public:
    virtual ~IControlPeer() = default;
    // The component's state changed; the peer brings its rendering up to date.
    virtual void Changed() = 0;
    // Requests beyond the state, for the peers they concern: draw again, take the keyboard focus,
    // come to the front (forms), pop up at a screen position (menus; the peer runs the chosen item).
    virtual void Invalidate() {}
    virtual void SetFocus() {}
    virtual void BringToFront() {}
    virtual void Popup(int AX, int AY) {}
    // The native window, for the system's own dialogs it owns; 0 where there is none.
    virtual plat::Handle WindowHandle() const { return 0; }
};

class IBackend {
public:
    virtual ~IBackend() = default;
    // Called for a form first and then for each of its controls in creation order (a parent before its
    // children), and for non-visual components when they become active; raises EPeerError for a
    // component the backend has no rendering for.
    virtual std::unique_ptr<IControlPeer> CreatePeer(TComponent& component) = 0;
    // Shows or hides the application's own window, the one with the taskbar button.
    virtual void SetTaskbarButtonVisible(bool AVisible) = 0;
    // Waits for at least one message or Synchronize request and handles what is there; raises an error
    // when the loop cannot get messages any more.
    virtual void HandleMessage() = 0;
    // Handles what is pending (paint, input, Synchronize requests) and returns.
    virtual void ProcessMessages() = 0;
    // Wakes the window thread so it looks at its Synchronize queue and the terminated flag; raises an
    // error when the window thread cannot be reached.
    virtual void WakeMainThread() = 0;
    // A short progress text for the user beyond the windows; the headless backend prints it.
    virtual void Announce(const std::string& text) = 0;
    // A fault nobody else will report (an error that ended a thread): standard error, and the debugger's
    // output where there is one.
    virtual void ReportFault(const std::string& text) = 0;
};

// The backend of this build, or the one a test put in its place.
IBackend& Backend();
// The backend the build links (win32/ or headless/), made on first use and never destroyed: a worker
// may still wake the window thread while the process ends.
IBackend& BuildBackend();

// Puts another backend in place for the lifetime of the object (tests of the loops and the hand-off).
class ScopedBackend {
public:
    explicit ScopedBackend(IBackend& ABackend);
    ~ScopedBackend();
    ScopedBackend(const ScopedBackend&) = delete;
    ScopedBackend& operator=(const ScopedBackend&) = delete;

private:
    IBackend* FSaved;
};

} // namespace ui
