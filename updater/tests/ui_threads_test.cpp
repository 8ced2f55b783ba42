// The worker threads' rules: who joins them, what becomes of an error that ends one, and that no
// hand-off is waited for when the window thread cannot be reached or its loop has failed.
#include "Errors.h"
#include "platform/ComScope.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/Threads.h"

#include "UiFixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

// Outside the anonymous namespace, so that its report shows the plain class name.
class TFailingThread : public ui::TThread {
protected:
    void Execute() override { throw EOSError(5, "Access is denied"); }
};

namespace {

// The hand-off of the headless build, on every build, with faults that can be switched on: a wake-up that
// fails, a loop that fails; what threads report is kept.
class FaultyBackend : public ui::IBackend {
public:
    std::unique_ptr<ui::IControlPeer> CreatePeer(ui::TComponent& component) override {
        return ui::BuildBackend().CreatePeer(component);
    }
    void SetTaskbarButtonVisible(bool) override {}
    void HandleMessage() override {
        if (LoopFails) {
            throw EOSError(1400, "The message loop cannot get messages");
        }
        if (!ui::CheckSynchronize()) {
            ui::WaitForSynchronize();
            ui::CheckSynchronize();
        }
    }
    void ProcessMessages() override { ui::CheckSynchronize(); }
    void WakeMainThread() override {
        if (WakeFails) {
            throw EOSError(1400, "Cannot reach the window thread");
        }
        ui::WakeSynchronizeWaiters();
    }
    void Announce(const std::string&) override {}
    void ReportFault(const std::string& text) override {
        std::lock_guard<std::mutex> guard(FLock);
        FFaults.push_back(text);
    }
    std::vector<std::string> Faults() {
        std::lock_guard<std::mutex> guard(FLock);
        return FFaults;
    }

    std::atomic<bool> WakeFails{false};
    std::atomic<bool> LoopFails{false};

private:
    std::mutex FLock;
    std::vector<std::string> FFaults;
};

using testsupport::Worker;

class ThreadRules : public testsupport::ApplicationTest {
protected:
    // The window thread keeps its COM apartment for the whole run, as the programs' entries do.
    plat::ComScope com;
    FaultyBackend backend;
    ui::ScopedBackend scoped{backend};
};

// Set when a thread that touched it has really ended, after its function returned.
std::atomic<int> gThreadsGone{0};
struct EndOfThread {
    ~EndOfThread() { ++gThreadsGone; }
};
thread_local EndOfThread tEndOfThread;

TEST_F(ThreadRules, RunReturnsOnlyOnceSelfFreeingWorkersAreJoined) {
    gThreadsGone = 0;
    std::atomic<int> destroyed{0};
    struct Counted : Worker {
        Counted(std::atomic<int>& count, std::function<void()> body)
            : Worker(std::move(body)), FCount(count) {}
        ~Counted() override { ++FCount; }
        std::atomic<int>& FCount;
    };
    for (int i = 0; i < 3; ++i) {
        auto* worker = new Counted(destroyed, [i] {
            (void)&tEndOfThread;
            if (i == 2) {
                ui::TThread::Synchronize([] { ui::Application().Terminate(); });
            }
        });
        worker->FreeOnTerminate = true;
        worker->Start();
    }
    ui::Application().Run();
    EXPECT_EQ(destroyed, 3) << "each worker freed itself";
    EXPECT_EQ(gThreadsGone, 3) << "and its thread had ended when Run returned";
    EXPECT_EQ(ui::RunningSelfFreeingThreads(), 0);
}

TEST_F(ThreadRules, AFailedMessageLoopStillJoinsEveryWorkerBeforeRunRaisesItsError) {
    backend.LoopFails = true;
    backend.WakeFails = true; // nor can a worker's last wake-up reach the window thread
    std::atomic<int> destroyed{0};
    struct Counted : Worker {
        explicit Counted(std::atomic<int>& count) : Worker([] {}), FCount(count) {}
        ~Counted() override { ++FCount; }
        std::atomic<int>& FCount;
    };
    for (int i = 0; i < 2; ++i) {
        auto* worker = new Counted(destroyed);
        worker->FreeOnTerminate = true;
        worker->Start();
    }
    EXPECT_THROW(ui::Application().Run(), EOSError);
    EXPECT_EQ(destroyed, 2);
    EXPECT_EQ(ui::RunningSelfFreeingThreads(), 0);
}

TEST_F(ThreadRules, AnErrorThatEndsAThreadIsReportedWithTheThreadsClassAndTheThreadEnds) {
    TFailingThread owned;
    owned.Start();
    owned.WaitFor();
    auto* freed = new TFailingThread;
    freed->FreeOnTerminate = true;
    freed->Start();
    ui::Application().Terminate();
    ui::Application().Run();
    EXPECT_EQ(ui::RunningSelfFreeingThreads(), 0);
    std::vector<std::string> faults = backend.Faults();
    ASSERT_EQ(faults.size(), 2u);
    for (const std::string& fault : faults) {
        EXPECT_EQ(fault, "TFailingThread ended by EOSError: Access is denied");
    }
}

TEST_F(ThreadRules, AWorkerIsToldWhenTheWindowThreadCannotBeReachedInsteadOfWaiting) {
    backend.WakeFails = true;
    std::string error;
    bool ran = false;
    Worker worker([&] {
        try {
            ui::TThread::Synchronize([&] { ran = true; });
        } catch (const EOSError& e) {
            error = e.Describe();
        }
    });
    worker.Start();
    worker.WaitFor(); // no loop runs here: a worker waiting for its hand-off would never end
    EXPECT_EQ(error, "EOSError: Cannot reach the window thread");
    EXPECT_FALSE(ui::CheckSynchronize()) << "the request was taken back";
    EXPECT_FALSE(ran);
}

TEST_F(ThreadRules, DestroyingARunningThreadThatWasNotWaitedForEndsTheProgramWithTheReason) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            ui::ScopedBackend plain(ui::BuildBackend());
            // The body keeps nothing of its own, so it runs on safely while its object goes; the object
            // goes only once the body has begun, or its thread would call into a half-destroyed object.
            static std::atomic<bool> entered{false};
            auto worker = std::make_unique<Worker>([] {
                entered = true;
                for (;;) {
                    std::this_thread::yield();
                }
            });
            worker->Start();
            while (!entered) {
                std::this_thread::yield();
            }
            worker.reset();
        },
        "destroyed while its thread runs: the owner must call WaitFor\\(\\) first");
}

} // namespace
