#pragma once
// The seam between the portable components and what renders them. A peer mirrors one control; the
// backend owns the message loop and the hand-off from worker threads. The build links exactly one
// backend: win32/ (native windows) or headless/ (state only, for tests and Linux runs).
#include <memory>
#include <string>

namespace ui {

class TControl;

class IControlPeer {
public:
    virtual ~IControlPeer() = default;
    // The control's state changed; the peer brings its rendering up to date.
    virtual void Changed() = 0;
};

class IBackend {
public:
    virtual ~IBackend() = default;
    // Called for a form first and then for each of its controls in creation order.
    virtual std::unique_ptr<IControlPeer> CreatePeer(TControl& control) = 0;
    // Waits for at least one message or Synchronize request and handles what is there.
    virtual void HandleMessage() = 0;
    // Handles what is pending (paint, input, Synchronize requests) and returns.
    virtual void ProcessMessages() = 0;
    // Wakes the window thread so it looks at its Synchronize queue and the terminated flag.
    virtual void WakeMainThread() = 0;
    // A short progress text for the user beyond the windows; the headless backend prints it.
    virtual void Announce(const std::string& text) = 0;
};

// The backend of this build.
IBackend& Backend();

} // namespace ui
