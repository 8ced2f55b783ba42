// The main window and tray with the status poller at work: the simulated service manager and
// registry, the headless window runtime, and a clock that holds the poller in each of its pauses until
// the test lets it go on, so every poll is one step of the test.
#include "CommandLine.h"
#include "ForwardingServices.h"
#include "MUISupportUnit.h"
#include "MainUnit.h"
#include "MegaUtils.h"
#include "RelocatedFiles.h"
#include "ServiceWatcherUnit.h"
#include "SimWindows.h"
#include "TempDir.h"
#include "UserInput.h"
#include "platform/Resources.h"
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace {

using namespace std::chrono_literals;

// Each Sleep waits until the test releases it; the test meanwhile serves the window thread's
// hand-offs, as the message loop would.
class GatedClock : public plat::IClock {
public:
    plat::LocalTime Now() override { return {2026, 12, 9, 10, 0, 0, 0}; }
    uint64_t TickCount() override { return 0; }
    void Sleep(uint32_t AMilliseconds) override {
        std::unique_lock lock(FLock);
        FPending = AMilliseconds;
        const uint64_t ticket = FReleases;
        FChanged.notify_all();
        FChanged.wait(lock, [&] { return FReleases != ticket; });
    }
    // Serves hand-offs until a sleeper waits, and tells how long it asked to sleep.
    uint32_t NextSleep() {
        std::unique_lock lock(FLock);
        while (!FPending) {
            lock.unlock();
            ui::CheckSynchronize();
            lock.lock();
            FChanged.wait_for(lock, 1ms, [&] { return FPending.has_value(); });
        }
        return *FPending;
    }
    void Release() {
        std::lock_guard lock(FLock);
        FPending.reset();
        ++FReleases;
        FChanged.notify_all();
    }

private:
    std::mutex FLock;
    std::condition_variable FChanged;
    std::optional<uint32_t> FPending;
    uint64_t FReleases = 0;
};

// The simulated service manager, counting the calls made on the window thread.
class WatchedServices : public testsupport::ForwardingServices {
public:
    using ForwardingServices::ForwardingServices;
    std::atomic<int> OnWindowThread{0};
    std::atomic<int> Elsewhere{0};

    plat::Handle OpenSCManager(const std::string& m, uint32_t a) override {
        Count();
        return ForwardingServices::OpenSCManager(m, a);
    }
    plat::Handle OpenService(plat::Handle s, const std::string& n, uint32_t a) override {
        Count();
        return ForwardingServices::OpenService(s, n, a);
    }
    bool QueryServiceStatus(plat::Handle h, plat::ServiceStatus& s) override {
        Count();
        return ForwardingServices::QueryServiceStatus(h, s);
    }
    bool QueryServiceStatusEx(plat::Handle h, plat::ServiceStatus& s) override {
        Count();
        return ForwardingServices::QueryServiceStatusEx(h, s);
    }
    bool QueryServiceConfig(plat::Handle h, plat::ServiceConfig& c) override {
        Count();
        return ForwardingServices::QueryServiceConfig(h, c);
    }

private:
    void Count() { ++(ui::InMainThread() ? OnWindowThread : Elsewhere); }
};

// No close event can be made: the close-request thread ends at once (the real processes of the
// start-up tests try the close request).
class NoNamedObjects : public plat::ISync {
public:
    std::unique_ptr<plat::INamedObject> CreateMutex(const std::string&, bool& AExists) override {
        AExists = false;
        return nullptr;
    }
    std::unique_ptr<plat::INamedObject> CreateEvent(const std::string&) override { return nullptr; }
    std::unique_ptr<plat::INamedObject> OpenEvent(const std::string&) override { return nullptr; }
};

// A 16 x 16 24-bit bitmap of one colour with another in the bottom-left corner.
std::string Bitmap(uint32_t AFill, uint32_t ABottomLeft) {
    auto le = [](uint32_t v, int n) {
        std::string s;
        for (int i = 0; i < n; ++i)
            s += static_cast<char>((v >> (8 * i)) & 0xFF);
        return s;
    };
    std::string bmp = "BM" + le(54 + 16 * 16 * 3, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(16, 4) +
                      le(16, 4) + le(1, 2) + le(24, 2) + le(0, 4) + le(16 * 16 * 3, 4) +
                      std::string(16, '\0');
    for (int row = 0; row < 16; ++row) // bottom row first
        for (int x = 0; x < 16; ++x)
            bmp += le(row == 0 && x == 0 ? ABottomLeft : AFill, 3); // blue, green, red
    return bmp;
}

std::shared_ptr<GatedClock> SharedClock() {
    static auto* clock = new std::shared_ptr<GatedClock>(std::make_shared<GatedClock>());
    return *clock;
}

struct PollSeen {
    int CheckingIcon;
    int StateIcon;
    uint32_t Pause;
};

class ManagerWindow : public ::testing::Test {
protected:
    ManagerWindow() {
        dir.Write("manager/TFManager.exe", "");
        dir.Write("tomcat/conf/server.xml", "<Server><Service name=\"Catalina\">"
                                            "<Connector port=\"8080\" protocol=\"HTTP/1.1\"/>"
                                            "<Connector port=\"8443\" protocol=\"HTTP/1.1\" secure=\"true\"/>"
                                            "</Service></Server>");
    }
    void SetUp() override {
        mui::LoadDefaultLanguage();
        ui::Application().Reset();
        ui::Application().Initialize();
        ui::Application().SetTitle("Tallyfix Server Manager");
    }
    void TearDown() override {
        Stop();
        ::unsetenv("TK_SIM_ELEVATED");
        ui::Application().Reset();
    }

    // Creates the windows as the program's start-up does and lets the first poll run to its pause.
    PollSeen Start(bool AElevated) {
        ::setenv("TK_SIM_ELEVATED", AElevated ? "1" : "0", 1);
        data = std::make_unique<TAppDataModule>(nullptr);
        form = std::make_unique<TMainForm>(nullptr, *data);
        ui::Application().SetMainForm(form.get());
        form->DoCreate();
        return RunPoll();
    }
    // Ends the pause: the next poll runs to its own pause.
    PollSeen Poll() {
        clock->Release();
        return RunPoll();
    }
    // Ends the poller from its pause, where it touches the window no more, and forgets the windows.
    void Stop() {
        if (!form)
            return;
        form->Watcher()->Terminate();
        clock->Release();
        ui::Application().SetMainForm(nullptr);
        form.reset();
        data.reset();
    }

    void SetWebServer(int32_t AState) { SetService("Tomcat9", AState); }
    void SetDatabase(int32_t AState) { SetService("pgsql", AState); }
    void SetService(const std::string& AName, int32_t AState) {
        if (AState == StateNotInstalled)
            sim.Services->RemoveService(AName);
        else
            sim.AddService(AName, static_cast<uint32_t>(AState));
    }
    // The user selects an entry of the service list.
    void Select(int ASlot) { testsupport::UserSelect(*form->ListServices, ASlot); }

    testsupport::TempDir dir{"tk-mainform-"};
    testsupport::SimWindows sim;
    // Shared by every test and never destroyed: a poller that was told to end may still be on its way
    // out of its last Sleep when the test is over.
    std::shared_ptr<GatedClock> clock = SharedClock();
    std::shared_ptr<WatchedServices> services = std::make_shared<WatchedServices>(sim.Services);
    plat::ScopedOverride platform{Parts()};
    std::unique_ptr<TAppDataModule> data;
    std::unique_ptr<TMainForm> form;

private:
    PollSeen RunPoll() {
        EXPECT_EQ(TServiceWatcherThread::CheckingIconTime, clock->NextSleep());
        PollSeen seen{form->TrayIcon->IconIndex(), 0, 0};
        clock->Release();
        seen.Pause = clock->NextSleep();
        seen.StateIcon = form->TrayIcon->IconIndex();
        return seen;
    }
    plat::Platform Parts() {
        plat::Platform parts;
        parts.Clock = clock;
        parts.Services = services;
        parts.Sync = std::make_shared<NoNamedObjects>();
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        return parts;
    }
};

TEST_F(ManagerWindow, EachPollShowsTheCheckingPictureThenTheWebServersPictureAndQueriesOffTheWindowThread) {
    const struct {
        int32_t web, database;
        int checking, state;
    } polls[] = {
        {1, 4, TrayIconCheckingStopped, TrayIconStopped}, // the first poll follows the start value
        {4, 1, TrayIconCheckingStopped, TrayIconRunning}, // starting to run
        {2, 4, TrayIconCheckingRunning, TrayIconRunning}, // start pending counts as running
        {3, 7, TrayIconCheckingRunning, TrayIconStopped}, // stop pending does not
        {StateNotInstalled, 4, TrayIconCheckingStopped, TrayIconStopped},
        {4, StateNotInstalled, TrayIconCheckingStopped, TrayIconRunning},
        {4, 1, TrayIconCheckingRunning, TrayIconRunning},
    };
    SetWebServer(polls[0].web);
    SetDatabase(polls[0].database);
    PollSeen seen = Start(true);
    for (size_t i = 0; i < std::size(polls); ++i) {
        SCOPED_TRACE(i);
        if (i > 0) {
            SetWebServer(polls[i].web);
            SetDatabase(polls[i].database);
            seen = Poll();
        }
        EXPECT_EQ(polls[i].checking, seen.CheckingIcon);
        EXPECT_EQ(polls[i].state, seen.StateIcon);
        EXPECT_EQ(static_cast<uint32_t>(DefaultCheckInterval), seen.Pause);
    }
    EXPECT_EQ(0, services->OnWindowThread.load());
    EXPECT_GT(services->Elsewhere.load(), 0);
}

TEST_F(ManagerWindow, TheTrayHintChangesOnlyWithTheWebServersStateAlsoWhileTheWindowIsHidden) {
    SetDatabase(4);
    Start(true);
    EXPECT_EQ("Tallyfix Server Manager", form->TrayIcon->Hint())
        << "not installed from the start: no change yet";

    const struct {
        int32_t web, database;
        const char* hint; // nullptr: unchanged
    } polls[] = {
        {1, 4, "Tallyfix Web Service is not running"},
        {1, 1, nullptr},
        {1, 4, nullptr},
        {4, 4, "Tallyfix is running on ports: 8080 (HTTP), 8443 (HTTPS)"},
        {4, 7, nullptr},
        {3, 7, "Tallyfix Web Service is not running"},
        {StateNotInstalled, 7, "Tallyfix Web Service is not installed"},
        {StateNotInstalled, 1, nullptr},
    };
    for (const auto& p : polls) {
        SCOPED_TRACE(p.web);
        form->TrayIcon->SetHint("unchanged");
        SetWebServer(p.web);
        SetDatabase(p.database);
        Poll();
        EXPECT_EQ(p.hint ? p.hint : "unchanged", form->TrayIcon->Hint());
    }
    EXPECT_FALSE(form->Visible());
}

TEST_F(ManagerWindow, TheStatusBarBallsAndButtonsFollowTheSelectedServicesState) {
    const struct {
        int slot;
        int32_t web, database;
        bool https;
        const char* status;
        int ball;
        bool start, stop;
    } rows[] = {
        {0, 1, 4, false, "Tallyfix Server is stopped", 0, true, false},
        {0, 2, 4, false, "Tallyfix Server is starting", -1, false, false},
        {0, 3, 4, false, "Tallyfix Server is stopping", -1, false, false},
        {0, 4, 1, false, "Tallyfix Web service is running on 8080 port", 1, false, true},
        {0, 4, 1, true, "Tallyfix is running on ports: 8080 (HTTP), 8443 (HTTPS)", 1, false, true},
        {0, 5, 1, false, "", -1, false, false},
        {0, 6, 1, false, "", -1, false, false},
        {1, 4, 4, true, "PostgreSQL Server is running", 1, false, true},
        {1, 4, 1, false, "PostgreSQL Server is stopped", 0, true, false},
        {1, 1, 7, false, "", -1, false, false},
    };
    Start(true);
    form->Show();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.status);
        SetWebServer(r.web);
        SetDatabase(r.database);
        form->JavaPort.HttpsEnabled = r.https;
        Poll();
        Select(r.slot);
        EXPECT_EQ(r.status, form->StatusBar->SimpleText());
        EXPECT_EQ(r.ball, form->Snapshot.BallStates[r.slot]);
        EXPECT_TRUE(form->PanelServiceControls->Visible());
        EXPECT_FALSE(form->PanelServiceInstall->Visible());
        EXPECT_EQ(r.start, form->StartButton->Enabled());
        EXPECT_EQ(r.stop, form->StopButton->Enabled());
        EXPECT_EQ(r.stop, form->RestartButton->Enabled());
        EXPECT_EQ(r.start, form->StartLabel->Enabled());
        EXPECT_EQ(r.stop, form->StopLabel->Enabled());
        EXPECT_EQ(r.stop, form->RestartLabel->Enabled());
    }
}

TEST_F(ManagerWindow, ANotInstalledServiceShowsTheInstallPanelWithItsButtonOnlyWhenTheInstallerIsThere) {
    const struct {
        int slot;
        const char* installer; // relative to the installation, or nullptr
        const char* status;
        const char* label;
        bool installVisible;
    } rows[] = {
        {0, nullptr, "Tallyfix Server is not installed", "Service Tomcat9 is not installed", false},
        {0, "bin/install_tomcat_service.bat", "Tallyfix Server is not installed",
         "Service Tomcat9 is not installed", true},
        {0, "pgsql/bin/psql.exe", "Tallyfix Server is not installed", "Service Tomcat9 is not installed",
         false},
        {1, nullptr, "PostgreSQL Server is not installed", "Service pgsql is not installed", false},
        {1, "pgsql/bin/psql.exe", "PostgreSQL Server is not installed", "Service pgsql is not installed",
         true},
    };
    Start(true);
    form->Show();
    for (const auto& r : rows) {
        SCOPED_TRACE(std::string(r.label) + (r.installer ? r.installer : ""));
        std::filesystem::remove_all(dir.Path("bin"));
        std::filesystem::remove_all(dir.Path("pgsql"));
        if (r.installer)
            dir.Write(r.installer, "rem\r\n");
        Select(1 - r.slot);
        Select(r.slot);
        EXPECT_EQ(r.status, form->StatusBar->SimpleText());
        EXPECT_EQ(-1, form->Snapshot.BallStates[r.slot]);
        EXPECT_FALSE(form->PanelServiceControls->Visible());
        EXPECT_TRUE(form->PanelServiceInstall->Visible());
        EXPECT_EQ(r.label, form->LabelNoService->Caption());
        EXPECT_EQ(r.installVisible, form->InstallButton->Visible());
        EXPECT_TRUE(form->InstallButton->Enabled()) << "elevated";
    }
}

TEST_F(ManagerWindow, WithoutElevationTheServiceCommandsStayDisabledAndAdminModeIsOfferedWithTheShield) {
    SetWebServer(1);
    Start(false);
    form->Show();
    for (int32_t state : {1, 2, 3, 4, 7}) {
        SCOPED_TRACE(state);
        SetWebServer(state);
        SetDatabase(state);
        Poll();
        for (int slot : {0, 1}) {
            Select(slot);
            EXPECT_FALSE(form->StartButton->Enabled());
            EXPECT_FALSE(form->StopButton->Enabled());
            EXPECT_FALSE(form->RestartButton->Enabled());
        }
        testsupport::UserRightClick(*form->TrayIcon);
        for (ui::TMenuItem* item : {form->StartMI, form->StopMI, form->RestartMI, form->BackupMI})
            EXPECT_FALSE(item->Enabled()) << item->Name();
    }
    EXPECT_FALSE(form->InstallButton->Enabled());
    EXPECT_EQ("Admin Mode", form->BackupButton->Caption());
    EXPECT_TRUE(form->BackupButton->Enabled());
    EXPECT_TRUE(form->BackupButton->ElevationShield());
    EXPECT_TRUE(form->FullControlMI->Visible());
    EXPECT_EQ("Admin Mode", form->FullControlMI->Caption());
    EXPECT_EQ(0, form->FullControlMI->ImageIndex());
    ASSERT_EQ(1, form->UACImageList->Count());
    EXPECT_FALSE(form->UACImageList->Picture(0).Empty());
}

TEST_F(ManagerWindow, ElevatedTheTrayMenuFollowsTheWebServerAloneAndHasNoAdminMode) {
    const struct {
        int32_t web, database;
        bool start, stop;
    } rows[] = {
        {1, 4, true, false},  {1, StateNotInstalled, true, false},  {4, 1, false, true}, {4, 7, false, true},
        {2, 1, false, false}, {StateNotInstalled, 1, false, false},
    };
    Start(true);
    form->Show();
    for (const auto& r : rows) {
        SCOPED_TRACE(std::to_string(r.web) + "/" + std::to_string(r.database));
        SetWebServer(r.web);
        SetDatabase(r.database);
        Poll();
        testsupport::UserRightClick(*form->TrayIcon);
        EXPECT_EQ(r.start, form->StartMI->Enabled());
        EXPECT_EQ(r.stop, form->StopMI->Enabled());
        EXPECT_EQ(r.stop, form->RestartMI->Enabled());
        EXPECT_TRUE(form->BackupMI->Enabled());
        EXPECT_FALSE(form->FullControlMI->Visible());
    }
    EXPECT_EQ("Backup Data", form->BackupButton->Caption());
    EXPECT_FALSE(form->BackupButton->ElevationShield());
}

TEST_F(ManagerWindow, ClosingTheWindowKeepsTheProgramInTheTrayAndExitEndsIt) {
    SetWebServer(4);
    Start(true);
    form->Show();
    testsupport::UserClose(*form);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(ui::Application().Terminated());
    EXPECT_TRUE(form->TrayIcon->Visible());

    testsupport::UserDblClick(*form->TrayIcon);
    EXPECT_TRUE(form->Visible()) << "the tray icon's double click opens the window";
    EXPECT_EQ("Tallyfix is running on ports: 8080 (HTTP), 8443 (HTTPS)", form->StatusBar->SimpleText());
    testsupport::UserSysCommand(*form, ui::SC_MINIMIZE_);
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(ui::Application().ShowMainForm());
    form->SysCommand(ui::SC_RESTORE_); // the system restores the program, no user at the hidden window
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(ui::Application().ShowMainForm());

    testsupport::UserRightClick(*form->TrayIcon);
    testsupport::UserChoose(*form->PopupMenu, *form->CloseMI);
    EXPECT_TRUE(ui::Application().Terminated());
}

TEST_F(ManagerWindow, TheBackgroundSwitchStartsInTheTrayAndTheSettingsSwitchWaitsForTheFirstActivation) {
    SetCommandLineParams({"TFManager.exe", "-BACKGROUND", "/Settings"});
    Start(true);
    SetCommandLineParams({});
    EXPECT_FALSE(ui::Application().ShowMainForm());
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(form->TrayIcon->Visible());
    EXPECT_TRUE(form->NeedToShowSettingsForm);

    testsupport::UserRightClick(*form->TrayIcon);
    testsupport::UserChoose(*form->PopupMenu, *form->OpenMI);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(form->NeedToShowSettingsForm) << "Open shows the window and brings it to the front";
}

TEST_F(ManagerWindow, AReplacementBallIsDrawnWithItsBottomLeftColourTransparentAndUnreadableFilesAreSkipped) {
    constexpr uint32_t magenta = 0xFF00FF, green = 0x00C000;
    dir.Write("manager/images/run_ball.bmp", Bitmap(green, magenta));
    dir.Write("manager/images/stop_ball.bmp", "not a bitmap");
    dir.Write("manager/images/running4.ico", std::string(10 * 1024 * 1024, '\x7f'));
    SetWebServer(4);
    Start(true);
    form->Show();

    const ui::TPicture& running = form->ImageBalls->Picture(2);
    ASSERT_EQ(16, running.Width);
    EXPECT_EQ(0u, running.Pixel(0, 15) >> 24) << "magenta is the transparent colour";
    EXPECT_EQ(0xFF00C000u, running.Pixel(8, 8));
    const auto builtIn = ui::DecodeBitmap(plat::FindResourceData("BALL1"), ui::TTransparency::BottomLeft);
    ASSERT_TRUE(builtIn);
    EXPECT_EQ(builtIn->Pixels, form->ImageBalls->Picture(1).Pixels);
    const auto builtInIcon = ui::DecodeIcon(plat::FindResourceData("TRAYICON16_2"), 16);
    ASSERT_TRUE(builtInIcon);
    EXPECT_EQ(builtInIcon->Pixels, data->ImageTrayIcons16->Picture(2).Pixels);

    ui::TRecordingCanvas canvas;
    form->ListServices->DrawItem(canvas, 0, form->ListServices->ItemRect(0), {});
    const auto draw =
        std::find_if(canvas.Ops.begin(), canvas.Ops.end(), [](auto& op) { return op.Kind == "draw"; });
    ASSERT_NE(canvas.Ops.end(), draw);
    ASSERT_NE(nullptr, draw->Picture);
    EXPECT_EQ(running.Pixels, draw->Picture->Pixels) << "the running web server's ball";
}

TEST_F(ManagerWindow, ThePauseBetweenPollsComesFromRefreshTimeInSecondsWithFiveSecondsForAnythingUnusable) {
    const std::string path = "SOFTWARE\\Pendrow\\ServiceManager\\RefreshTime";
    const struct {
        const char* name;
        std::function<void()> store;
        uint32_t pause;
    } rows[] = {
        {"ten seconds", [&] { RegWriteInteger(path, 10, plat::RootKey::LocalMachine); }, 10000},
        {"missing", [&] { RegDeleteValue(path, plat::RootKey::LocalMachine); }, 5000},
        {"zero", [&] { RegWriteInteger(path, 0, plat::RootKey::LocalMachine); }, 5000},
        {"negative", [&] { RegWriteInteger(path, -3, plat::RootKey::LocalMachine); }, 5000},
        {"text", [&] { RegWriteString(path, "10", plat::RootKey::LocalMachine); }, 5000},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        r.store();
        EXPECT_EQ(r.pause, Start(true).Pause);
        EXPECT_EQ(r.pause, Poll().Pause);
        Stop();
    }
    Start(true);
    form->CheckInterval = 7000; // the settings dialog's change
    EXPECT_EQ(7000u, Poll().Pause);
}

} // namespace
