#pragma once
// The close request: any process that sets the named event makes every running Server Manager end
// as if its user had chosen Exit. The program never resets the event.
#include "platform/Platform.h"
#include "ui/Threads.h"

#include <memory>

constexpr const char* CloseRequestEventName = "Global\\BrackwellEventStopSvcMgr";

class TStopWaitingThread : public ui::TThread {
public:
    // Starts the thread, which frees itself and lives until the event is set or the process ends.
    static void Create();

    // Runs on the window thread: terminates the application.
    static void CloseApp();

protected:
    void Execute() override;

private:
    TStopWaitingThread() = default;

    std::unique_ptr<plat::INamedObject> hEvent;
};
