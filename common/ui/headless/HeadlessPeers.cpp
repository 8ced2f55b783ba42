// The state-only peers: each keeps what a native window would show beyond the component's state.
#include "ui/headless/HeadlessPeers.h"

#include "ui/headless/HeadlessPeerFactory.h"

#include "ui/ComCtrls.h"
#include "ui/Threads.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace ui::headless {

namespace {

std::atomic<bool> gTaskbarButtonShown{true};

class ControlPeer : public IControlPeer {
public:
    explicit ControlPeer(TControl& AControl) : FControl(AControl) {}
    void Changed() override { Paint(); }
    void Invalidate() override {
        ++FRepaints;
        Paint();
    }

    int Repaints() const { return FRepaints; }
    std::shared_ptr<const TRecordingCanvas> Drawing() const { return FDrawing; }

private:
    // An owner-drawn list has each item drawn by the program; doing it here runs the same handler a
    // native list runs on WM_DRAWITEM, so tests see the drawing calls.
    void Paint() {
        auto* list = dynamic_cast<TListBox*>(&FControl);
        if (list == nullptr || list->Style() != TListBoxStyle::lbOwnerDrawFixed || !list->Showing() ||
            FPainting) {
            return;
        }
        FPainting = true;
        auto canvas = std::make_shared<TRecordingCanvas>();
        try {
            for (int i = 0; i < static_cast<int>(list->Items().size()); ++i) {
                TOwnerDrawState state;
                state.Selected = i == list->ItemIndex();
                state.Focused = state.Selected && list->Focused();
                state.Disabled = !list->EffectivelyEnabled();
                list->DrawItem(*canvas, i, list->ItemRect(i), state);
            }
        } catch (...) {
            FPainting = false;
            throw;
        }
        FPainting = false;
        FDrawing = std::move(canvas);
    }

    TControl& FControl;
    int FRepaints = 0;
    bool FPainting = false;
    std::shared_ptr<const TRecordingCanvas> FDrawing;
};

// A form's window: coming to the front activates it, as the system's activation message would.
class FormPeer : public ControlPeer {
public:
    explicit FormPeer(TForm& AForm) : ControlPeer(AForm), FForm(AForm) {}
    void BringToFront() override {
        if (FForm.Showing()) {
            FForm.Activate();
        }
    }

private:
    TForm& FForm;
};

// Ticks from a thread of its own: every interval it hands Timer() to the window thread, never more
// than one tick at a time, and drops ticks that arrive after the peer is gone.
class TimerPeer : public IControlPeer {
public:
    explicit TimerPeer(TTimer& ATimer) : FTimer(ATimer), FTicker(std::make_shared<Ticker>()) {
        FTicker->Interval = ATimer.Interval();
        FThread = std::thread([ticker = FTicker, timer = &ATimer] { ticker->Run(timer); });
    }
    ~TimerPeer() override {
        {
            std::lock_guard<std::mutex> guard(FTicker->Lock);
            FTicker->Stop = true;
        }
        FTicker->Wake.notify_all();
        FThread.join();
    }
    TimerPeer(const TimerPeer&) = delete;
    TimerPeer& operator=(const TimerPeer&) = delete;

    // A new interval counts from now.
    void Changed() override {
        {
            std::lock_guard<std::mutex> guard(FTicker->Lock);
            FTicker->Interval = FTimer.Interval();
            FTicker->Restart = true;
        }
        FTicker->Wake.notify_all();
    }

private:
    struct Ticker : std::enable_shared_from_this<Ticker> {
        std::mutex Lock;
        std::condition_variable Wake;
        uint32_t Interval = 0;
        bool Stop = false;
        bool Restart = false;
        std::atomic<bool> Pending{false};

        void Run(TTimer* ATimer) {
            std::unique_lock<std::mutex> lock(Lock);
            while (!Stop) {
                if (Wake.wait_for(lock, std::chrono::milliseconds(Interval),
                                  [this] { return Stop || Restart; })) {
                    Restart = false;
                    continue;
                }
                if (Pending.exchange(true)) {
                    continue;
                }
                std::weak_ptr<Ticker> alive = shared_from_this();
                lock.unlock();
                TThread::Queue([alive, ATimer] {
                    // Peers are destroyed on the window thread, so one alive here stays so for the tick.
                    if (auto ticker = alive.lock()) {
                        ticker->Pending = false;
                        ATimer->Timer();
                    }
                });
                lock.lock();
            }
        }
    };

    TTimer& FTimer;
    std::shared_ptr<Ticker> FTicker;
    std::thread FThread;
};

class TrayPeer : public IControlPeer {
public:
    explicit TrayPeer(TTrayIcon& AIcon) : FIcon(AIcon), FShown(AIcon.Visible()) {}
    void Changed() override { FShown = FIcon.Visible(); }
    bool Shown() const { return FShown; }

private:
    TTrayIcon& FIcon;
    bool FShown;
};

class MenuPeer : public IControlPeer {
public:
    void Changed() override {}
    void Popup(int, int) override { FOpen = true; }
    bool Open() const { return FOpen; }
    void Close() { FOpen = false; }

private:
    bool FOpen = false;
};

template <class T> T* PeerOf(const TComponent& AComponent) {
    return dynamic_cast<T*>(AComponent.Peer());
}

} // namespace

std::unique_ptr<IControlPeer> MakePeer(TComponent& AComponent) {
    if (auto* form = dynamic_cast<TForm*>(&AComponent)) {
        return std::make_unique<FormPeer>(*form);
    }
    if (auto* timer = dynamic_cast<TTimer*>(&AComponent)) {
        return std::make_unique<TimerPeer>(*timer);
    }
    if (auto* icon = dynamic_cast<TTrayIcon*>(&AComponent)) {
        return std::make_unique<TrayPeer>(*icon);
    }
    if (dynamic_cast<TPopupMenu*>(&AComponent) != nullptr) {
        return std::make_unique<MenuPeer>();
    }
    auto* control = dynamic_cast<TControl*>(&AComponent);
    bool known = dynamic_cast<TLabel*>(control) || dynamic_cast<TImage*>(control) ||
                 dynamic_cast<TAnimate*>(control) || dynamic_cast<TButton*>(control) ||
                 dynamic_cast<TCheckBox*>(control) || dynamic_cast<TEdit*>(control) ||
                 dynamic_cast<TComboBox*>(control) || dynamic_cast<TListBox*>(control) ||
                 dynamic_cast<TGroupBox*>(control) || dynamic_cast<TPanel*>(control) ||
                 dynamic_cast<TShape*>(control) || dynamic_cast<TTreeView*>(control) ||
                 dynamic_cast<TTabSheet*>(control) || dynamic_cast<TPageControl*>(control) ||
                 dynamic_cast<TStatusBar*>(control);
    if (!known) {
        // As in the native build: a component nobody renders fails at once rather than being invisible.
        throw EPeerError("No headless rendering for " + TypeName(typeid(AComponent)) + " \"" +
                         AComponent.Name() + "\"");
    }
    return std::make_unique<ControlPeer>(*control);
}

void SetTaskbarButtonShown(bool AShown) {
    gTaskbarButtonShown = AShown;
}

int RepaintCount(const TControl& AControl) {
    auto* peer = PeerOf<ControlPeer>(AControl);
    return peer != nullptr ? peer->Repaints() : 0;
}

std::shared_ptr<const TRecordingCanvas> LastDrawing(const TListBox& AList) {
    auto* peer = PeerOf<ControlPeer>(AList);
    return peer != nullptr ? peer->Drawing() : nullptr;
}

bool PopupOpen(const TPopupMenu& AMenu) {
    auto* peer = PeerOf<MenuPeer>(AMenu);
    return peer != nullptr && peer->Open();
}

void ClosePopup(TPopupMenu& AMenu) {
    if (auto* peer = PeerOf<MenuPeer>(AMenu)) {
        peer->Close();
    }
}

bool TrayIconShown(const TTrayIcon& AIcon) {
    auto* peer = PeerOf<TrayPeer>(AIcon);
    return peer != nullptr && peer->Shown();
}

bool TaskbarButtonShown() {
    return gTaskbarButtonShown;
}

} // namespace ui::headless
