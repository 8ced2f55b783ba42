#include "ui/Threads.h"

#include "platform/ComScope.h"
#include "ui/Backend.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>

namespace ui {

namespace {

struct SyncRequest {
    std::function<void()> Method;
    std::exception_ptr Error;
    bool Done = false;
};

struct SyncState {
    std::mutex Lock;
    std::condition_variable Queued; // the window thread waits here (headless loop)
    std::condition_variable Served; // workers wait here
    std::deque<SyncRequest*> Queue;
    bool WakeUp = false;
    std::thread::id MainThread = std::this_thread::get_id();
    int SelfFreeing = 0;
};

SyncState& State() {
    static SyncState* state = new SyncState;
    return *state;
}

} // namespace

void SetMainThread() {
    std::lock_guard<std::mutex> guard(State().Lock);
    State().MainThread = std::this_thread::get_id();
}

bool InMainThread() {
    std::lock_guard<std::mutex> guard(State().Lock);
    return State().MainThread == std::this_thread::get_id();
}

bool CheckSynchronize() {
    auto& s = State();
    bool any = false;
    for (;;) {
        SyncRequest* request;
        {
            std::lock_guard<std::mutex> guard(s.Lock);
            if (s.Queue.empty()) {
                return any;
            }
            request = s.Queue.front();
            s.Queue.pop_front();
        }
        try {
            request->Method();
        } catch (...) {
            request->Error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> guard(s.Lock);
            request->Done = true;
        }
        s.Served.notify_all();
        any = true;
    }
}

void WaitForSynchronize() {
    auto& s = State();
    std::unique_lock<std::mutex> lock(s.Lock);
    s.Queued.wait(lock, [&] { return !s.Queue.empty() || s.WakeUp; });
    s.WakeUp = false;
}

void WakeSynchronizeWaiters() {
    {
        std::lock_guard<std::mutex> guard(State().Lock);
        State().WakeUp = true;
    }
    State().Queued.notify_all();
}

int RunningSelfFreeingThreads() {
    std::lock_guard<std::mutex> guard(State().Lock);
    return State().SelfFreeing;
}

void TThread::Synchronize(const std::function<void()>& AMethod) {
    if (InMainThread()) {
        AMethod();
        return;
    }
    auto& s = State();
    SyncRequest request{AMethod, nullptr, false};
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        s.Queue.push_back(&request);
    }
    s.Queued.notify_all();
    Backend().WakeMainThread();
    {
        std::unique_lock<std::mutex> lock(s.Lock);
        s.Served.wait(lock, [&] { return request.Done; });
    }
    if (request.Error) {
        std::rethrow_exception(request.Error);
    }
}

TThread::TThread() = default;

TThread::~TThread() {
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) {
        FThread.join();
    } else if (FThread.joinable()) {
        FThread.detach();
    }
}

void TThread::Start() {
    if (FreeOnTerminate) {
        std::lock_guard<std::mutex> guard(State().Lock);
        ++State().SelfFreeing;
    }
    FThread = std::thread([this] { Run(); });
}

void TThread::WaitFor() {
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) {
        FThread.join();
    }
}

void TThread::Run() {
    try {
        plat::ComScope com; // each thread owns its COM, as the program's entry does for the window thread
        Execute();
    } catch (...) {
        // An error that escapes Execute ends the thread only; Execute reports what it must itself.
    }
    if (!FreeOnTerminate) {
        return;
    }
    delete this;
    {
        std::lock_guard<std::mutex> guard(State().Lock);
        --State().SelfFreeing;
    }
    WakeSynchronizeWaiters();
    Backend().WakeMainThread();
}

} // namespace ui
