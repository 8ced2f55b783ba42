#include "StopWaitingUnit.h"

#include "ui/Forms.h"

void TStopWaitingThread::Create() {
    auto* thread = new TStopWaitingThread;
    thread->FreeOnTerminate = true;
    thread->LivesUntilProcessEnds = true;
    thread->Start();
}

void TStopWaitingThread::CloseApp() {
    ui::Application().Terminate();
}

void TStopWaitingThread::Execute() {
    // Created with a null DACL, so a process of any user may open and set it; an existing event is
    // opened in whatever state it has, so an instance started while it is set ends right away.
    hEvent = plat::Sync().CreateEvent(CloseRequestEventName);
    if (!hEvent)
        return; // the program goes on without close requests
    // A wait that fails is no request to end.
    if (hEvent->Wait(plat::INFINITE_) != plat::WaitResult::Signaled)
        return;
    hEvent.reset();
    Synchronize(&TStopWaitingThread::CloseApp);
}
