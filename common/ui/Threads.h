#pragma once
// Worker threads and the hand-off to the window thread. A worker never touches a control; it asks the
// window thread to run a function and waits until it has run. The window thread serves these requests
// in its message loop, in modal loops and while a message box is open.
//
// Joining: the owner of a thread that does not free itself calls WaitFor() before destroying it, while
// the derived object is still whole; destroying a thread that was started and not waited for is a
// programming fault and ends the process with a message. A thread that frees itself deletes itself on
// its own thread when Execute returns and leaves its system thread to the window thread, which joins it
// in its next loop turn; TApplication::Run returns only once every such thread has been joined.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <typeinfo>

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
    // Waits for the end of a thread that does not free itself; the owner calls it before destruction.
    void WaitFor();
    // A thread that frees itself is deleted by its own thread when Execute returns.
    bool FreeOnTerminate = false;
    // A self-freeing thread that lives until the process ends (a poller, a wait for a close request):
    // TApplication::Run does not wait for it, and a Synchronize it makes once the application has been
    // terminated never returns, so it touches nothing while the process ends. Set before Start.
    bool LivesUntilProcessEnds = false;

    // Runs AMethod on the window thread and waits for it; an error raised there reaches the caller.
    // On the window thread itself it simply calls AMethod. When the window thread cannot be reached
    // the error says why, instead of a wait that never ends.
    static void Synchronize(const std::function<void()>& AMethod);
    // Hands AMethod to the window thread without waiting (timers of the headless build, notifications).
    static void Queue(std::function<void()> AMethod);

protected:
    virtual void Execute() = 0;

private:
    void Run();
    void ReportEscapedError(std::exception_ptr AError) const;

    // Held by Start while it stores FThread, so that a quick thread does not take it before it is there.
    std::mutex FStartLock;
    std::thread FThread;
    std::atomic<bool> FTerminated{false};
};

// Marks the calling thread as the window thread.
void SetMainThread();
bool InMainThread();
// Runs the pending Synchronize requests and joins the self-freeing threads that have ended; true when
// there was at least one request.
bool CheckSynchronize();
// Blocks the window thread until a request is queued, a self-freeing thread ends or
// WakeSynchronizeWaiters is called.
void WaitForSynchronize();
void WakeSynchronizeWaiters();
// Self-freeing threads not joined yet (running, or ended and waiting for the window thread).
int RunningSelfFreeingThreads();

// Ends the process at once with the exit code, after flushing the standard streams, without running
// the destructors of static objects: threads that live until the process ends may still use them.
[[noreturn]] void EndProcess(int AExitCode);

// The readable name of a type ("TWorkingThread", "ui::TLabel").
std::string TypeName(const std::type_info& AType);

} // namespace ui
