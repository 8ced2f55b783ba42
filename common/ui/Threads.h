#pragma once
// Worker threads and the hand-off to the window thread. A worker never touches a control; it asks the
// window thread to run a function and waits until it has run. The window thread serves these requests
// in its message loop, in modal loops and while a message box is open.
#include <atomic>
#include <functional>
#include <memory>
#include <thread>

namespace ui {

class TThread {
public:
    // Threads are created suspended: Start runs Execute once the derived object is complete.
    TThread();
    virtual ~TThread();
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;

    void Start();
    // Asks Execute to end; Execute looks at Terminated() where it can stop.
    void Terminate() { FTerminated = true; }
    bool Terminated() const { return FTerminated; }
    // Waits for the end of a thread that does not free itself.
    void WaitFor();
    // A thread that frees itself is deleted by its own thread when Execute returns.
    bool FreeOnTerminate = false;

    // Runs AMethod on the window thread and waits for it; an error raised there reaches the caller.
    // On the window thread itself it simply calls AMethod.
    static void Synchronize(const std::function<void()>& AMethod);

protected:
    virtual void Execute() = 0;

private:
    void Run();

    std::thread FThread;
    std::atomic<bool> FTerminated{false};
};

// Marks the calling thread as the window thread.
void SetMainThread();
bool InMainThread();
// Runs the pending Synchronize requests; true when there was at least one.
bool CheckSynchronize();
// Blocks the window thread until a request is queued or WakeSynchronizeWaiters is called.
void WaitForSynchronize();
void WakeSynchronizeWaiters();
// Worker threads that free themselves and have not ended yet.
int RunningSelfFreeingThreads();

} // namespace ui
