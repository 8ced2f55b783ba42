// Start, stop and restart as the user asks for them, install and the start page, with the simulated
// service manager playing scripted transitions. The progress window is looked at from inside the
// service manager's calls: each request hands a look to the window thread, which is in the window's
// modal loop at that moment, as it would be on Windows.
#include "ForwardingServices.h"
#include "MUISupportUnit.h"
#include "MainUnit.h"
#include "RelocatedFiles.h"
#include "ResourceStrings.h"
#include "ServiceControlUnit.h"
#include "SimWindows.h"
#include "TempDir.h"
#include "UserInput.h"
#include "manager_windows.h"
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The simulated manager, telling the test about each start and stop request and each status query,
// on the worker's thread.
class ObservedServices : public testsupport::ForwardingServices {
public:
    using ForwardingServices::ForwardingServices;
    std::function<void(const std::string& ARequest, const std::string& AService)> OnRequest;
    std::function<void(const std::string& AService)> OnQuery;

    plat::Handle OpenService(plat::Handle s, const std::string& n, uint32_t a) override {
        const plat::Handle h = ForwardingServices::OpenService(s, n, a);
        std::lock_guard lock(FLock);
        FNames[h] = n;
        return h;
    }
    bool QueryServiceStatus(plat::Handle h, plat::ServiceStatus& s) override {
        if (OnQuery)
            OnQuery(NameOf(h));
        return ForwardingServices::QueryServiceStatus(h, s);
    }
    bool StartService(plat::Handle h) override {
        if (OnRequest)
            OnRequest("start", NameOf(h));
        return ForwardingServices::StartService(h);
    }
    bool ControlService(plat::Handle h, uint32_t c, plat::ServiceStatus& s) override {
        if (OnRequest)
            OnRequest("stop", NameOf(h));
        return ForwardingServices::ControlService(h, c, s);
    }

private:
    std::string NameOf(plat::Handle h) {
        std::lock_guard lock(FLock);
        return FNames[h];
    }
    std::mutex FLock;
    std::map<plat::Handle, std::string> FNames;
};

// The shell's open requests, recorded instead of starting a browser.
class RecordingShell : public plat::IShell {
public:
    std::vector<std::string> Opened;
    bool DeleteTree(const std::string&) override { return false; }
    bool CopyTree(const std::string&, const std::string&) override { return false; }
    bool OpenDocument(const std::string& AAddress, plat::Handle) override {
        Opened.push_back(AAddress);
        return true;
    }
    bool OpenFolderAndSelectFile(const std::string&) override { return false; }
    bool RunElevated(const std::string&, const std::string&, plat::Handle) override { return false; }
};

std::string ServerXml(int AHttpPort) {
    return "<Server><Service name=\"Catalina\"><Connector port=\"" + std::to_string(AHttpPort) +
           "\" protocol=\"HTTP/1.1\"/><Connector port=\"8443\" protocol=\"HTTP/1.1\" secure=\"true\"/>"
           "</Service></Server>";
}

plat::ServiceStatus Status(uint32_t AState) {
    plat::ServiceStatus s;
    s.ServiceType = 0x10;
    s.CurrentState = AState;
    s.WaitHint = 1000;
    return s;
}

constexpr const char* TryToStart =
    "Server Manager is attempting to start the following service on Local Computer";
constexpr const char* TryToStop =
    "Server Manager is attempting to stop the following service on Local Computer";

class ServiceOperations : public ::testing::Test {
protected:
    ServiceOperations() {
        dir.Write("manager/TFManager.exe", "");
        dir.Write("tomcat/conf/server.xml", ServerXml(8080));
    }
    void SetUp() override {
        mui::LoadDefaultLanguage();
        windows.Make();
        form = windows.Form.get();
        control = windows.Control.get();
    }
    void TearDown() override { windows.Forget(); }

    void AddService(const std::string& AName, uint32_t AState, std::deque<plat::ServiceStatus> AStart = {},
                    std::deque<plat::ServiceStatus> AStop = {}) {
        plat::sim::SimService s;
        s.Name = AName;
        s.DisplayName = AName;
        s.State = AState;
        s.StartScript = std::move(AStart);
        s.StopScript = std::move(AStop);
        sim.Services->AddService(s);
        form->Snapshot.CurrentStates[AName == "Tomcat9" ? 0 : 1] = static_cast<int32_t>(AState);
    }
    // A command of the tray menu, chosen as a user does.
    void ChooseFromTray(ui::TMenuItem& AItem) {
        ASSERT_TRUE(testsupport::UserRightClick(*form->TrayIcon));
        ASSERT_TRUE(testsupport::UserChoose(*form->PopupMenu, AItem));
    }
    void LookAtWindow(const std::string& AEvent) { windows.LookAtWindow(AEvent); }
    std::vector<ui::TShownDialog> Messages() const { return sim.Dialogs->Shown(); }

    testsupport::TempDir dir{"tk-operations-"};
    testsupport::SimWindows sim;
    std::shared_ptr<ObservedServices> services = std::make_shared<ObservedServices>(sim.Services);
    std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();
    plat::ScopedOverride platform{Parts()};
    testsupport::ManagerWindows windows;
    TMainForm* form = nullptr;
    TServiceControlForm* control = nullptr;
    std::vector<testsupport::TLook>& looks = windows.Looks;

private:
    plat::Platform Parts() {
        plat::Platform parts;
        parts.Services = services;
        parts.Shell = shell;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        return parts;
    }
};

TEST_F(ServiceOperations,
       AStartFromTheTrayShowsTheProgressWindowAloneWithTheWebServersTextsAndClosesWhenRunning) {
    AddService("Tomcat9", 1, {Status(2), Status(2)});
    AddService("pgsql", 4);
    services->OnRequest = [&](const std::string& ARequest, const std::string&) { LookAtWindow(ARequest); };
    dir.Write("tomcat/conf/server.xml", ServerXml(8181));

    ChooseFromTray(*form->StartMI);

    ASSERT_EQ(1u, looks.size());
    EXPECT_EQ("start", looks[0].Event);
    EXPECT_TRUE(looks[0].Visible);
    EXPECT_EQ("Service Control", looks[0].Caption);
    EXPECT_EQ(TryToStart, looks[0].Action);
    EXPECT_EQ("Tallyfix Server", looks[0].Name);
    EXPECT_FALSE(control->Visible());
    EXPECT_FALSE(form->Visible()) << "the main window stays in the tray";
    testsupport::WaitForWorkers();
    EXPECT_EQ(4u, sim.StateOf("Tomcat9"));
    EXPECT_TRUE(Messages().empty());
    EXPECT_EQ(8181, form->JavaPort.HttpPort) << "the web server's ports are read before its start";
}

TEST_F(ServiceOperations, ARestartShowsTheStopThenTheStartAndReadsThePortsAfterTheStopForEitherService) {
    for (int slot : {0, 1}) {
        SCOPED_TRACE(slot);
        looks.clear();
        AddService("Tomcat9", 4, {Status(2)}, {Status(3)});
        AddService("pgsql", 4, {Status(2)}, {Status(3)});
        dir.Write("tomcat/conf/server.xml", ServerXml(8080));
        form->JavaPort.HttpPort = 1;
        services->OnRequest = [&](const std::string& ARequest, const std::string& AService) {
            if (ARequest == "start") {
                EXPECT_EQ(8080, form->JavaPort.HttpPort) << "read between the stop and the start";
            }
            LookAtWindow(ARequest + " " + AService);
        };
        if (slot == 0) {
            ChooseFromTray(*form->RestartMI);
        } else {
            form->Show();
            form->UpdateServiceStatus();
            ASSERT_TRUE(testsupport::UserSelect(*form->ListServices, 1));
            ASSERT_TRUE(testsupport::UserClick(*form->RestartButton));
        }
        const std::string service = slot == 0 ? "Tomcat9" : "pgsql";
        const std::string name = slot == 0 ? "Tallyfix Server" : "PostgreSQL Server";
        ASSERT_EQ(2u, looks.size());
        EXPECT_EQ("stop " + service, looks[0].Event);
        EXPECT_EQ(TryToStop, looks[0].Action);
        EXPECT_EQ("start " + service, looks[1].Event);
        EXPECT_EQ(TryToStart, looks[1].Action);
        for (const testsupport::TLook& look : looks) {
            EXPECT_TRUE(look.Visible);
            EXPECT_EQ("Service Control", look.Caption);
            EXPECT_EQ(name, look.Name);
        }
        EXPECT_FALSE(control->Visible());
        testsupport::WaitForWorkers();
        EXPECT_EQ(4u, sim.StateOf(service));
        EXPECT_TRUE(Messages().empty());
    }
}

TEST_F(ServiceOperations,
       EachFailureClosesTheWindowFirstAndShowsOneMessageNamingTheServiceAsItsOperationDoes) {
    const struct {
        const char* what;
        uint32_t state;
        std::deque<plat::ServiceStatus> start, stop;
        int32_t polled; // what the last poll saw, which decides the menu
        ui::TMenuItem* TMainForm::*command;
        const char* message; // nullptr: none
        uint32_t after;
    } rows[] = {
        {"start ends stopped",
         1,
         {Status(2), Status(1)},
         {},
         1,
         &TMainForm::StartMI,
         "Can not start Tallyfix Server Service",
         1},
        {"stop refused by a service still starting",
         2,
         {},
         {},
         4,
         &TMainForm::StopMI,
         "Can not stop Tallyfix Server Service",
         2},
        {"restart: stop refused", 2, {}, {}, 4, &TMainForm::RestartMI, "Can not stop Tomcat9 Service", 2},
        {"restart: start ends stopped",
         4,
         {Status(2), Status(1)},
         {Status(3)},
         4,
         &TMainForm::RestartMI,
         "Can not start Tomcat9 Service",
         1},
        {"start of a running service",
         4,
         {},
         {},
         1,
         &TMainForm::StartMI,
         "Can not start Tallyfix Server Service",
         4},
        {"stop of a stopped service", 1, {}, {}, 4, &TMainForm::StopMI, nullptr, 1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const size_t before = Messages().size();
        AddService("Tomcat9", r.state, r.start, r.stop);
        AddService("pgsql", 4);
        form->Snapshot.CurrentStates[0] = r.polled;
        ChooseFromTray(*(form->*r.command));
        EXPECT_FALSE(control->Visible());
        testsupport::WaitForWorkers();
        const auto shown = Messages();
        ASSERT_EQ(before + (r.message ? 1 : 0), shown.size());
        if (r.message) {
            EXPECT_EQ(r.message, shown.back().Text);
            EXPECT_EQ("Error", shown.back().Caption);
            EXPECT_EQ(ui::MB_ICONWARNING_, shown.back().Flags & 0xF0);
        }
        EXPECT_EQ(r.after, sim.StateOf("Tomcat9"));
    }
}

TEST_F(ServiceOperations, AFailedRestartStopReadsThePortsOnlyAfterTheUserConfirmedTheMessage) {
    AddService("Tomcat9", 2); // still starting: it takes no stop request
    form->Snapshot.CurrentStates[0] = 4;
    AddService("pgsql", 4);
    // The administrator changes the port while the message is open: the ports read afterwards show it.
    struct ChangingDialogs : ui::TScriptedDialogs {
        std::function<void()> OnMessage;
        int ShowMessageBox(const std::string& t, const std::string& c, uint32_t f) override {
            OnMessage();
            return TScriptedDialogs::ShowMessageBox(t, c, f);
        }
    };
    auto changing = std::make_shared<ChangingDialogs>();
    changing->OnMessage = [&] { dir.Write("tomcat/conf/server.xml", ServerXml(9090)); };
    ui::ScopedDialogs scoped(changing);

    ChooseFromTray(*form->RestartMI);
    testsupport::WaitForWorkers();
    ASSERT_EQ(1u, changing->Shown().size());
    EXPECT_EQ("Can not stop Tomcat9 Service", changing->Shown()[0].Text);
    EXPECT_EQ(9090, form->JavaPort.HttpPort);
}

TEST_F(ServiceOperations, ClosingTheWindowDuringALongStopAndRestartingAtOnceKeepsTheRestartsWindowOpen) {
    AddService("Tomcat9", 4, {}, {Status(3), Status(3), Status(3)});
    AddService("pgsql", 4, {Status(2)}, {Status(3)});
    form->Show();
    form->UpdateServiceStatus();

    // The stop of the web server is held at its first status query until the restart's stop request.
    std::mutex gateLock;
    std::condition_variable gate;
    bool restartAsked = false, firstHeld = false;
    services->OnQuery = [&](const std::string& AService) {
        if (AService != "Tomcat9" || firstHeld)
            return;
        firstHeld = true;
        // The user closes the progress window while the stop goes on.
        ui::TThread::Queue([&] { EXPECT_TRUE(testsupport::UserClick(*control->ButtonClose)); });
        std::unique_lock lock(gateLock);
        gate.wait(lock, [&] { return restartAsked; });
    };
    services->OnRequest = [&](const std::string& ARequest, const std::string& AService) {
        if (AService != "pgsql")
            return;
        if (ARequest == "stop") {
            {
                std::lock_guard lock(gateLock);
                restartAsked = true;
            }
            gate.notify_all();
            // The web server's worker ends (and tries to close the window) before the restart goes on.
            while (ui::RunningSelfFreeingThreads() > 1)
                std::this_thread::sleep_for(1ms);
        }
        LookAtWindow(ARequest);
    };

    ASSERT_TRUE(testsupport::UserClick(*form->StopButton));
    // ... and restarts the database at once.
    ASSERT_TRUE(testsupport::UserSelect(*form->ListServices, 1));
    ASSERT_TRUE(testsupport::UserClick(*form->RestartButton));
    testsupport::WaitForWorkers();

    ASSERT_EQ(2u, looks.size());
    for (const testsupport::TLook& look : looks) {
        SCOPED_TRACE(look.Event);
        EXPECT_TRUE(look.Visible) << "the first worker's end left the restart's window open";
        EXPECT_EQ("PostgreSQL Server", look.Name);
    }
    EXPECT_EQ(TryToStart, looks[1].Action);
    EXPECT_FALSE(control->Visible());
    EXPECT_EQ(1u, sim.StateOf("Tomcat9"));
    EXPECT_EQ(4u, sim.StateOf("pgsql"));
    EXPECT_TRUE(Messages().empty());
}

TEST_F(ServiceOperations, TheStartPageOpensTheTemplatesAddressOverHttpsWhenItIsOn) {
    const struct {
        bool https;
        const char* languageTemplate; // nullptr: the built-in table
        const char* address;
    } rows[] = {
        {true, nullptr, "https://127.0.0.1:8443/server"},
        {false, nullptr, "http://127.0.0.1:8080/server"},
        {false, "http%s://127.0.0.1:%d/other/path", "http://127.0.0.1:8080/other/path"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.address);
        mui::LoadDefaultLanguage();
        if (r.languageTemplate)
            LanguageTable().SetString("setting_start_page_template", r.languageTemplate);
        form->JavaPort.HttpPort = 8080;
        form->JavaPort.HttpsPort = 8443;
        form->JavaPort.HttpsEnabled = r.https;
        shell->Opened.clear();
        ChooseFromTray(*form->StartPageMI);
        ASSERT_EQ(1u, shell->Opened.size());
        EXPECT_EQ(r.address, shell->Opened[0]);
    }
}

// The installation scripts are shell scripts here; each records where it ran.
void WriteScript(const testsupport::TempDir& ADir, const std::string& APath, const std::string& ABody) {
    ADir.Write(APath, "#!/bin/sh\n" + ABody);
    ::chmod(ADir.Path(APath).c_str(), 0755);
}

TEST_F(ServiceOperations, InstallRunsTheSlotsScriptInItsOwnFolderWithTheButtonDisabledAndShowsTheNewState) {
    const auto savedDir = std::filesystem::current_path();
    WriteScript(dir, "bin/install_tomcat_service.bat", "pwd -P > ran-in.txt\n");
    dir.Write("pgsql/bin/psql.exe", "");
    sim.Services->RemoveService("Tomcat9");
    form->Snapshot.CurrentStates[0] = StateNotInstalled;
    form->Snapshot.CurrentStates[1] = StateNotInstalled;
    form->Show();
    form->UpdateServiceStatus();
    ASSERT_TRUE(form->InstallButton->Visible());

    // The script's effect, as the next poll sees it; the button's state while the script runs.
    bool enabledWhileRunning = true;
    auto watch = std::make_shared<testsupport::ObservedProcesses>(plat::Current().Processes);
    std::vector<plat::ProcessStartInfo> started;
    watch->OnCreate = [&](const plat::ProcessStartInfo& AInfo) {
        started.push_back(AInfo);
        enabledWhileRunning = form->InstallButton->Enabled();
        form->Snapshot.CurrentStates[0] = 1;
    };
    plat::Platform parts;
    parts.Processes = watch;
    plat::ScopedOverride scoped(parts);

    ASSERT_TRUE(testsupport::UserClick(*form->InstallButton));
    const auto ranIn = dir.Read("bin/ran-in.txt");
    const auto nowIn = std::filesystem::current_path();
    std::filesystem::current_path(savedDir);

    ASSERT_EQ(1u, started.size());
    EXPECT_TRUE(started[0].UseShowWindow);
    EXPECT_EQ(plat::SW_HIDE_, started[0].ShowWindow);
    EXPECT_FALSE(enabledWhileRunning);
    EXPECT_EQ(std::filesystem::canonical(dir.Path("bin")).string() + "\n", ranIn);
    EXPECT_EQ(std::filesystem::canonical(dir.Path("bin")), std::filesystem::canonical(nowIn))
        << "the script's folder stays the current folder";
    EXPECT_TRUE(form->InstallButton->Enabled());
    EXPECT_TRUE(form->PanelServiceControls->Visible()) << "the window shows the state the poll found";
    EXPECT_FALSE(form->PanelServiceInstall->Visible());

    // The database: its client is there, its installation script is not. Nothing runs, nothing changes.
    started.clear();
    ASSERT_TRUE(testsupport::UserSelect(*form->ListServices, 1));
    ASSERT_TRUE(form->InstallButton->Visible());
    ASSERT_TRUE(testsupport::UserClick(*form->InstallButton));
    std::filesystem::current_path(savedDir);
    EXPECT_TRUE(form->InstallButton->Enabled());
    EXPECT_TRUE(form->PanelServiceInstall->Visible());
}

} // namespace
