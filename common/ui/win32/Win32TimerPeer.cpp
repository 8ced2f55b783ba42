// A timer ticks through WM_TIMER of a message-only window of its own, on the window thread.
#include "ui/ExtCtrls.h"
#include "ui/win32/Win32HiddenWindow.h"
#include "ui/win32/Win32Peers.h"

namespace ui::win32 {

namespace {

constexpr UINT_PTR TimerId = 1;

class TimerPeer : public HiddenWindowPeer {
public:
    explicit TimerPeer(TTimer& timer) : FTimer(timer) {
        CreateHiddenWindow(L"TkTimer", TKind::MessageOnly);
        Changed();
    }

    void Changed() override {
        UINT interval = FTimer.Enabled() ? FTimer.Interval() : 0;
        if (interval == FRunning) {
            return;
        }
        KillTimer(Handle(), TimerId);
        FRunning = 0;
        if (interval > 0) {
            if (SetTimer(Handle(), TimerId, interval, nullptr) == 0) {
                RaiseLastError("Cannot start the timer " + FTimer.Name());
            }
            FRunning = interval;
        }
    }

protected:
    bool Message(UINT msg, WPARAM wp, LPARAM, LRESULT& result) override {
        if (msg != WM_TIMER || wp != TimerId) {
            return false;
        }
        FTimer.Timer();
        result = 0;
        return true;
    }

private:
    TTimer& FTimer;
    UINT FRunning = 0;
};

} // namespace

std::unique_ptr<IControlPeer> NewTimerPeer(TTimer& AComponent) {
    return std::make_unique<TimerPeer>(AComponent);
}

} // namespace ui::win32
