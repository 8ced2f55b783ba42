#include "ServiceWatcherUnit.h"

#include "MainUnit.h"
#include "platform/Platform.h"

namespace {

bool RunningOrStarting(int32_t AState) {
    return AState == 4 || AState == 2;
}

} // namespace

TServiceWatcherThread* TServiceWatcherThread::Create(TMainForm& AForm) {
    auto* thread = new TServiceWatcherThread(AForm);
    thread->FreeOnTerminate = true;
    thread->LivesUntilProcessEnds = true;
    thread->Start();
    return thread;
}

void TServiceWatcherThread::Execute() {
    while (!Terminated()) {
        PollServiceStates();
        ShowCheckingTrayIcon();
        plat::Clock().Sleep(CheckingIconTime);
        ShowStateTrayIcon();
        Synchronize([this] { FForm.UpdateServiceStatus(); });
        if (Terminated())
            break;
        plat::Clock().Sleep(static_cast<uint32_t>(FForm.CheckInterval.load()));
    }
}

void TServiceWatcherThread::PollServiceStates() {
    TServiceSnapshot& snapshot = FForm.Snapshot;
    for (int slot = 0; slot < ServiceSlotCount; ++slot)
        snapshot.PreviousStates[slot] = snapshot.CurrentStates[slot].load();
    for (int slot = 0; slot < ServiceSlotCount; ++slot)
        snapshot.CurrentStates[slot] = QueryServiceState(ServiceNames[slot]);
}

// Only the web server decides the tray icon.
void TServiceWatcherThread::ShowCheckingTrayIcon() {
    SetTrayIcon(RunningOrStarting(FForm.Snapshot.PreviousStates[WebServerSlot]) ? TrayIconCheckingRunning
                                                                                : TrayIconCheckingStopped);
}

void TServiceWatcherThread::ShowStateTrayIcon() {
    SetTrayIcon(RunningOrStarting(FForm.Snapshot.CurrentStates[WebServerSlot]) ? TrayIconRunning
                                                                               : TrayIconStopped);
}

void TServiceWatcherThread::SetTrayIcon(int AIndex) {
    Synchronize([this, AIndex] { FForm.TrayIcon->SetIconIndex(AIndex); });
}
