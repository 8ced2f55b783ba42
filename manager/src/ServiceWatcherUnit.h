#pragma once
// The status poller: asks the service manager for both services' states, shows the checking tray
// icon for a moment, the state's icon after it, and has the window thread derive the window's texts
// from the new snapshot; then waits the main window's CheckInterval and starts over, until the
// process ends. The queries run on the poller's own thread; only the icon changes and
// UpdateServiceStatus are handed to the window thread.
#include "ui/Threads.h"

#include <cstdint>

class TMainForm;

class TServiceWatcherThread : public ui::TThread {
public:
    // How long the checking icon stays before the state's icon replaces it.
    static constexpr uint32_t CheckingIconTime = 150;

    // Starts the poller, which polls at once, frees itself when it ends and runs until the process ends.
    static TServiceWatcherThread* Create(TMainForm& AForm);

    // Shifts the snapshot by one poll and reads both services' states.
    void PollServiceStates();
    void ShowCheckingTrayIcon();
    void ShowStateTrayIcon();

protected:
    void Execute() override;

private:
    explicit TServiceWatcherThread(TMainForm& AForm) : FForm(AForm) {}
    void SetTrayIcon(int AIndex);

    TMainForm& FForm;
};
