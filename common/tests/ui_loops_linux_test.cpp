// The loops of the window thread: modal windows, closing, the end of the application, and the work the
// loops serve meanwhile (workers' hand-offs, queued calls, timers, threads that never end).
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/Threads.h"
#include "ui/headless/HeadlessPeers.h"

#include "UiFixture.h"
#include "UserInput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace testsupport;

class Dialog : public ui::TForm {
public:
    explicit Dialog(const std::string& AName) : ui::TForm(nullptr, AName) {
        Ok = Make<ui::TButton>("OkButton");
        Ok->SetModalResult(ui::mrOk);
        Other = Make<ui::TButton>("OtherButton");
    }
    std::string ClassName() const override { return "TDialog"; }
    ui::TButton* Ok;
    ui::TButton* Other;
};

// The build's backend, keeping what threads report.
class FaultLog : public ui::IBackend {
public:
    std::unique_ptr<ui::IControlPeer> CreatePeer(ui::TComponent& c) override {
        return ui::BuildBackend().CreatePeer(c);
    }
    void SetTaskbarButtonVisible(bool AVisible) override {
        ui::BuildBackend().SetTaskbarButtonVisible(AVisible);
    }
    void HandleMessage() override { ui::BuildBackend().HandleMessage(); }
    void ProcessMessages() override { ui::BuildBackend().ProcessMessages(); }
    void WakeMainThread() override { ui::BuildBackend().WakeMainThread(); }
    void Announce(const std::string&) override {}
    void ReportFault(const std::string& text) override {
        std::lock_guard<std::mutex> guard(FLock);
        FFaults.push_back(text);
    }
    std::vector<std::string> Faults() {
        std::lock_guard<std::mutex> guard(FLock);
        return FFaults;
    }

private:
    std::mutex FLock;
    std::vector<std::string> FFaults;
};

using Loops = ApplicationTest;

TEST_F(Loops, AModalWindowServesWorkersAndDisablesTheOtherWindowsUntilItCloses) {
    Dialog owner("Owner"), hiddenDisabled("Parked"), dialog("Progress");
    owner.Show();
    hiddenDisabled.SetEnabled(false);
    bool ownerUsableMeanwhile = true;
    int served = 0;
    Worker worker([&] {
        ui::TThread::Synchronize([&] {
            ++served;
            ownerUsableMeanwhile = owner.Ok->EffectivelyEnabled();
        });
        ui::TThread::Synchronize([&] { EXPECT_TRUE(UserClick(*dialog.Ok)); });
    });
    worker.Start();
    EXPECT_EQ(dialog.ShowModal(), ui::mrOk);
    worker.WaitFor();
    EXPECT_EQ(served, 1);
    EXPECT_FALSE(ownerUsableMeanwhile);
    EXPECT_TRUE(owner.Enabled());
    EXPECT_FALSE(hiddenDisabled.Enabled()) << "each window gets its own state back";
    EXPECT_FALSE(dialog.Showing());
    EXPECT_FALSE(dialog.Modal());
    EXPECT_EQ(ui::Screen().ActiveForm(), &owner) << "the window under the closed one is active again";
}

TEST_F(Loops, AModalWindowThatRefusesToCloseStaysInItsLoop) {
    Dialog dialog("Settings");
    std::atomic<int> closes{0};
    dialog.OnClose = [&](ui::TComponent*, ui::TCloseAction& action) {
        if (++closes == 1) {
            action = ui::TCloseAction::caNone;
        }
    };
    dialog.OnCloseQuery = [](ui::TComponent*) { return true; };
    Worker worker([&] {
        ui::TThread::Synchronize([&] { EXPECT_TRUE(UserClose(dialog)); });
        // The loop runs OnClose once it sees the result, which may be after further hand-offs.
        while (closes == 0) {
            std::this_thread::yield();
        }
        ui::TThread::Synchronize([&] { EXPECT_TRUE(dialog.Showing()) << "the first close was refused"; });
        ui::TThread::Synchronize([&] { EXPECT_TRUE(UserClick(*dialog.Ok)); });
    });
    worker.Start();
    EXPECT_EQ(dialog.ShowModal(), ui::mrOk);
    worker.WaitFor();
    EXPECT_EQ(closes, 2);
}

TEST_F(Loops, TerminatingTheApplicationEndsAModalLoop) {
    Dialog owner("Owner"), dialog("Progress");
    owner.Show();
    Worker worker([] { ui::Application().Terminate(); });
    worker.Start();
    EXPECT_EQ(dialog.ShowModal(), ui::mrCancel);
    worker.WaitFor();
    EXPECT_TRUE(owner.Enabled());
    EXPECT_FALSE(dialog.Showing());
    EXPECT_THROW(owner.ShowModal(), ui::EInvalidOperation) << "a shown window cannot become modal";
}

TEST_F(Loops, ClosingHidesAWindowAndClosingTheMainWindowEndsTheApplication) {
    Dialog main("Main"), about("About");
    ui::Application().SetMainForm(&main);
    main.Show();
    about.Show();
    about.Close();
    EXPECT_FALSE(about.Showing());
    EXPECT_TRUE(about.HandleAllocated()) << "a hidden window keeps its window";
    EXPECT_FALSE(ui::Application().Terminated());

    // The tray program's main window: closing only hides it, unless the program is ending.
    main.OnClose = [&](ui::TComponent*, ui::TCloseAction& action) {
        if (!ui::Application().Terminated()) {
            main.Hide();
            action = ui::TCloseAction::caNone;
        }
    };
    ASSERT_TRUE(UserClose(main));
    EXPECT_FALSE(main.Showing());
    EXPECT_FALSE(ui::Application().Terminated());
    main.OnClose = nullptr;
    main.Show();
    ASSERT_TRUE(UserSysCommand(main, ui::SC_CLOSE_));
    EXPECT_TRUE(ui::Application().Terminated());
    EXPECT_FALSE(main.HandleAllocated());
}

TEST_F(Loops, ShowingActivatesAWindowAndTheSystemCommandsReachItsHook) {
    Dialog main("Main");
    std::vector<std::string> seen;
    main.OnActivate = [&](ui::TComponent*) { seen.push_back("activate"); };
    main.OnShow = [&](ui::TComponent*) { seen.push_back("show"); };
    main.OnSysCommand = [&](ui::TComponent*, uint32_t command) {
        seen.push_back(command == ui::SC_MINIMIZE_ ? "minimize" : "other");
    };
    main.Show();
    ASSERT_TRUE(UserSysCommand(main, ui::SC_MINIMIZE_));
    EXPECT_EQ(seen, (std::vector<std::string>{"show", "activate", "minimize"}));
    EXPECT_EQ(ui::Screen().ActiveForm(), &main);
    ui::Application().SetTaskbarButtonVisible(false);
    EXPECT_FALSE(ui::headless::TaskbarButtonShown());
    ui::Application().SetTaskbarButtonVisible(true);
}

TEST_F(Loops, ARunThatDoesNotShowItsMainWindowStillServesTheLoop) {
    Dialog main("Main");
    ui::Application().SetMainForm(&main);
    ui::Application().SetShowMainForm(false);
    bool shownDuringRun = true;
    Worker worker([&] {
        ui::TThread::Synchronize([&] {
            shownDuringRun = main.Showing();
            ui::Application().Terminate();
        });
    });
    worker.Start();
    ui::Application().Run();
    worker.WaitFor();
    EXPECT_FALSE(shownDuringRun);
}

TEST_F(Loops, QueuedCallsRunOnTheWindowThreadInOrderAndTheirErrorsAreReported) {
    FaultLog log;
    ui::ScopedBackend scoped(log);
    std::thread::id windowThread = std::this_thread::get_id();
    std::vector<int> order;
    bool onWindowThread = true;
    Worker worker([&] {
        for (int i = 0; i < 3; ++i) {
            ui::TThread::Queue([&, i] {
                order.push_back(i);
                onWindowThread = onWindowThread && std::this_thread::get_id() == windowThread;
            });
        }
        ui::TThread::Queue([] { throw std::runtime_error("broken handler"); });
        ui::TThread::Queue([] { ui::Application().Terminate(); });
    });
    worker.Start();
    worker.WaitFor(); // the worker never waits for its calls
    EXPECT_TRUE(order.empty());
    ui::Application().Run();
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(onWindowThread);
    EXPECT_EQ(log.Faults(),
              (std::vector<std::string>{"A queued call ended by std::runtime_error: broken handler"}));
}

TEST_F(Loops, AnEnabledTimerTicksThroughTheLoopAndAStoppedOneNoMore) {
    Dialog form("Form");
    auto* timer = form.Make<ui::TTimer>("Timer1");
    timer->SetInterval(1);
    int ticks = 0;
    timer->OnTimer = [&](ui::TComponent*) {
        if (++ticks == 3) {
            timer->SetEnabled(false);
            ui::Application().Terminate();
        }
    };
    ui::Application().Run();
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(timer->HandleAllocated()) << "a stopped timer's thread is gone";
    timer->Timer();
    EXPECT_EQ(ticks, 3) << "a tick on its way when the timer stopped is dropped";
}

std::atomic<int> gPolls{0};

TEST(ThreadsUntilTheEnd, RunDoesNotWaitForThemAndTheyTouchNothingOnceTheApplicationEnds) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // In a child process, where the poller may stay blocked until the process ends.
    EXPECT_EXIT(
        {
            ui::Application().Reset();
            ui::Application().Initialize();
            auto* poller = new Worker([] {
                for (;;) {
                    ui::TThread::Synchronize([] {
                        if (++gPolls == 3) {
                            ui::Application().Terminate();
                        }
                    });
                }
            });
            poller->LivesUntilProcessEnds = true;
            poller->Start();
            ui::Application().Run();
            ui::CheckSynchronize();
            ui::EndProcess(gPolls == 3 && ui::RunningSelfFreeingThreads() == 0 ? 7 : 1);
        },
        testing::ExitedWithCode(7), "");
}

} // namespace
