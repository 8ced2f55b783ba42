#include "ui/Threads.h"

#include "platform/ComScope.h"
#include "ui/Backend.h"
#include "ui/Forms.h"

#include <cxxabi.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <exception>
#include <iostream>
#include <mutex>
#include <vector>

namespace ui {

namespace {

struct SyncRequest {
    std::function<void()> Method;
    std::exception_ptr Error;
    bool Done = false;
    // Queued without a waiting worker: the window thread frees it once it has run.
    bool Detached = false;
};

struct SyncState {
    std::mutex Lock;
    std::condition_variable Queued; // the window thread waits here (headless loop)
    std::condition_variable Served; // workers wait here
    std::deque<SyncRequest*> Queue;
    bool WakeUp = false;
    std::thread::id MainThread = std::this_thread::get_id();
    // Self-freeing threads not joined yet, and the system threads of those whose Execute has returned.
    int SelfFreeing = 0;
    std::vector<std::thread> Ended;
};

// Never destroyed: a worker may still use it while the process ends.
SyncState& State() {
    static SyncState* state = new SyncState;
    return *state;
}

// Joins the self-freeing threads that have ended. Each has only its last wake-up call left to make, so
// the join is short; once it returns, nothing of that thread runs any more.
void JoinEndedThreads() {
    auto& s = State();
    std::vector<std::thread> ended;
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        ended.swap(s.Ended);
    }
    if (ended.empty()) {
        return;
    }
    for (std::thread& thread : ended) {
        thread.join();
    }
    std::lock_guard<std::mutex> guard(s.Lock);
    s.SelfFreeing -= static_cast<int>(ended.size());
}

// Takes a request back that the window thread has not started on; false when it has.
bool Withdraw(SyncRequest* request) {
    auto& s = State();
    std::lock_guard<std::mutex> guard(s.Lock);
    auto at = std::find(s.Queue.begin(), s.Queue.end(), request);
    if (at == s.Queue.end()) {
        return false;
    }
    s.Queue.erase(at);
    return true;
}

std::string Describe(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const EBaseError& e) {
        return e.Describe();
    } catch (const std::exception& e) {
        return TypeName(typeid(e)) + ": " + e.what();
    } catch (...) {
        return "an exception of unknown type";
    }
}

// Set on the threads that live until the process ends.
thread_local bool tLivesUntilProcessEnds = false;

// A thread that lives until the process ends asked for the window thread after the application was
// terminated: the windows may be going away, so it waits for the end of the process instead.
[[noreturn]] void WaitForTheEndOfTheProcess() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::hours(1));
    }
}

// Queues a request for the window thread and wakes its loop's wait; false for a request of a thread that
// lives until the process ends once the application is terminated. The test is made under the lock, so
// a request is either refused or queued before the window thread's last look at the queue.
bool Enqueue(SyncRequest* ARequest) {
    auto& s = State();
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        if (tLivesUntilProcessEnds && Application().Terminated()) {
            return false;
        }
        s.Queue.push_back(ARequest);
    }
    s.Queued.notify_all();
    return true;
}

// The window thread's error for a queued call nobody waits for.
void ReportQueuedError(std::exception_ptr AError) {
    try {
        Backend().ReportFault("A queued call ended by " + Describe(AError));
    } catch (...) {
        // Nothing more can be done for an error that cannot even be reported.
    }
}

} // namespace

std::string TypeName(const std::type_info& AType) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> readable(
        abi::__cxa_demangle(AType.name(), nullptr, nullptr, &status), std::free);
    return status == 0 && readable ? std::string(readable.get()) : std::string(AType.name());
}

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
        SyncRequest* request = nullptr;
        {
            std::lock_guard<std::mutex> guard(s.Lock);
            if (!s.Queue.empty()) {
                request = s.Queue.front();
                s.Queue.pop_front();
            }
        }
        if (request == nullptr) {
            JoinEndedThreads();
            return any;
        }
        try {
            request->Method();
        } catch (...) {
            request->Error = std::current_exception();
        }
        if (request->Detached) {
            if (request->Error) {
                ReportQueuedError(request->Error);
            }
            delete request;
            any = true;
            continue;
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
    s.Queued.wait(lock, [&] { return !s.Queue.empty() || !s.Ended.empty() || s.WakeUp; });
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
    if (!Enqueue(&request)) {
        WaitForTheEndOfTheProcess();
    }
    try {
        Backend().WakeMainThread();
    } catch (...) {
        // Nobody will serve a request the window thread cannot be told about; one it has already taken
        // is served anyway, so that is waited for.
        if (Withdraw(&request)) {
            throw;
        }
    }
    {
        std::unique_lock<std::mutex> lock(s.Lock);
        s.Served.wait(lock, [&] { return request.Done; });
    }
    if (request.Error) {
        std::rethrow_exception(request.Error);
    }
}

void TThread::Queue(std::function<void()> AMethod) {
    // The queue owns the request from here; the window thread frees it once it has run.
    auto request = std::make_unique<SyncRequest>(SyncRequest{std::move(AMethod), nullptr, false, true});
    if (Enqueue(request.get())) {
        static_cast<void>(request.release());
    }
    try {
        Backend().WakeMainThread();
    } catch (...) {
        // The call stays queued; the window thread runs it in its next loop turn.
    }
}

TThread::TThread() = default;

TThread::~TThread() {
    if (FThread.joinable()) {
        // The derived part is already gone while Execute may still use it: there is no safe way on.
        Backend().ReportFault(TypeName(typeid(*this)) +
                              " destroyed while its thread runs: the owner must call WaitFor() first");
        std::abort();
    }
}

void TThread::Start() {
    if (LivesUntilProcessEnds) {
        // Nobody joins or frees such a thread: it frees itself, and only the process's end stops it.
        FreeOnTerminate = true;
    } else if (FreeOnTerminate) {
        std::lock_guard<std::mutex> guard(State().Lock);
        ++State().SelfFreeing;
    }
    std::lock_guard<std::mutex> guard(FStartLock);
    FThread = std::thread([this] { Run(); });
    if (LivesUntilProcessEnds) {
        FThread.detach();
    }
}

void TThread::WaitFor() {
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id()) {
        FThread.join();
    }
}

void TThread::ReportEscapedError(std::exception_ptr AError) const {
    try {
        Backend().ReportFault(TypeName(typeid(*this)) + " ended by " + Describe(AError));
    } catch (...) {
        // Reporting is the last thing this thread does; a report that fails must not take the process.
    }
}

void TThread::Run() {
    tLivesUntilProcessEnds = LivesUntilProcessEnds;
    {
        plat::ComScope com;
        try {
            Execute();
        } catch (...) {
            ReportEscapedError(std::current_exception());
        }
    }
    if (!FreeOnTerminate) {
        return;
    }
    if (tLivesUntilProcessEnds) {
        // Start may still be detaching the system thread.
        { std::lock_guard<std::mutex> guard(FStartLock); }
        delete this;
        return;
    }
    std::thread self;
    {
        std::lock_guard<std::mutex> guard(FStartLock);
        self = std::move(FThread);
    }
    delete this;
    auto& s = State();
    {
        std::lock_guard<std::mutex> guard(s.Lock);
        s.Ended.push_back(std::move(self));
    }
    s.Queued.notify_all();
    try {
        Backend().WakeMainThread();
    } catch (...) {
        // The window thread finds this thread in its next turn all the same.
    }
}

void EndProcess(int AExitCode) {
    std::cout.flush();
    std::cerr.flush();
    std::clog.flush();
    std::fflush(nullptr);
    std::_Exit(AExitCode);
}

} // namespace ui
