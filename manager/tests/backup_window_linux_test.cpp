// The Backup Data command as the administrator meets it: the question, the file dialog, the progress
// window through its phases and the messages at the end. The simulated service manager plays the web
// server; the backup scripts are the test's own shell scripts, run through the command interpreter's
// stand-in by the real process backend, in an installation whose path has a blank in it.
#include "ForwardingServices.h"
#include "MainUnit.h"
#include "ServiceControlUnit.h"
#include "UserInput.h"
#include "WinUtilsUnit.h"
#include "backup_fixture.h"
#include "manager_windows.h"
#include "ui/Threads.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr const char* TryToStart =
    "Server Manager is attempting to start the following service on Local Computer";
constexpr const char* TryToStop =
    "Server Manager is attempting to stop the following service on Local Computer";
constexpr const char* ErrorDetails = "An unexpected error happened during backup. Error details:\n";
constexpr const char* Question =
    "This backup operation will disable Tallyfix Service for the duration of the backup. Tallyfix will be "
    "brought up automatically after backup is completed. Click OK to proceed or CANCEL to quit.";

// Each start and stop request of the web server, shown to the test on the worker's thread.
class ObservedServices : public testsupport::ForwardingServices {
public:
    using ForwardingServices::ForwardingServices;
    std::function<void(const std::string& ARequest)> OnRequest;

    bool StartService(plat::Handle h) override {
        OnRequest("start");
        return ForwardingServices::StartService(h);
    }
    bool ControlService(plat::Handle h, uint32_t c, plat::ServiceStatus& s) override {
        OnRequest("stop");
        return ForwardingServices::ControlService(h, c, s);
    }
};

// The real host with the user's decimal separator chosen by the test.
class SeparatorHost : public plat::IHost {
public:
    explicit SeparatorHost(std::shared_ptr<plat::IHost> AReal) : FReal(std::move(AReal)) {}
    std::string Separator = ".";

    std::string ComputerName() override { return FReal->ComputerName(); }
    bool Ipv4Interfaces(std::vector<std::string>& a) override { return FReal->Ipv4Interfaces(a); }
    std::string SystemDir() override { return FReal->SystemDir(); }
    bool GetVersion(plat::OsVersion& v) override { return FReal->GetVersion(v); }
    std::string SysErrorMessage(uint32_t c) override { return FReal->SysErrorMessage(c); }
    bool DisableWow64Redirection(void*& o) override { return FReal->DisableWow64Redirection(o); }
    bool RevertWow64Redirection(void* o) override { return FReal->RevertWow64Redirection(o); }
    std::string ExpandEnvironment(const std::string& t, uint32_t n) override {
        return FReal->ExpandEnvironment(t, n);
    }
    std::string DecimalSeparator() override { return Separator; }

private:
    std::shared_ptr<plat::IHost> FReal;
};

using testsupport::TLook;

class BackupWindow : public testsupport::BackupFixture {
protected:
    BackupWindow() : BackupFixture("manager/TFManager.exe") {
        std::filesystem::create_directories(dir.Path("chosen"));
    }
    void SetUp() override {
        BackupFixture::SetUp();
        windows.Make();
        form = windows.Form.get();
        control = windows.Control.get();
        services->OnRequest = [this](const std::string& ARequest) { LookAtWindow(ARequest); };
        processes->OnCreate = [this](const plat::ProcessStartInfo&) { LookAtWindow("script"); };
    }
    void TearDown() override {
        windows.Forget();
        BackupFixture::TearDown();
    }

    // A script that writes a small dump into the chosen file.
    void DumpingScript() const { Script("printf 'CREATE TABLE t (id int);\\n' > \"$1\"\n"); }

    // The user chooses Backup Data from the tray menu, answers the question and the file dialog, and
    // waits until the worker has shown its last message. Returns every dialog shown meanwhile.
    std::vector<ui::TShownDialog> Backup(const std::optional<std::string>& AFile, int AAnswer = ui::IDOK_) {
        const size_t before = sim.Dialogs->Shown().size();
        sim.Dialogs->AnswerMessage(AAnswer);
        sim.Dialogs->AnswerFile(AFile);
        ChooseBackup();
        testsupport::WaitForWorkers();
        const auto shown = sim.Dialogs->Shown();
        return {shown.begin() + static_cast<std::ptrdiff_t>(before), shown.end()};
    }
    void ChooseBackup() {
        ASSERT_TRUE(testsupport::UserRightClick(*form->TrayIcon));
        ASSERT_TRUE(testsupport::UserChoose(*form->PopupMenu, *form->BackupMI));
    }
    // The messages of a backup after the question and the file dialog.
    static std::vector<std::string> Outcome(const std::vector<ui::TShownDialog>& AShown) {
        std::vector<std::string> texts;
        for (size_t i = 2; i < AShown.size(); ++i)
            texts.push_back(AShown[i].Caption + ": " + AShown[i].Text);
        return texts;
    }
    void LookAtWindow(const std::string& AEvent) { windows.LookAtWindow(AEvent); }

    std::shared_ptr<ObservedServices> services = std::make_shared<ObservedServices>(sim.Services);
    std::shared_ptr<testsupport::ObservedProcesses> processes =
        std::make_shared<testsupport::ObservedProcesses>(plat::Current().Processes);
    std::shared_ptr<SeparatorHost> host = std::make_shared<SeparatorHost>(plat::Current().Host);
    plat::ScopedOverride platform{Parts()};
    testsupport::ManagerWindows windows;
    TMainForm* form = nullptr;
    TServiceControlForm* control = nullptr;
    std::vector<TLook>& looks = windows.Looks;

private:
    plat::Platform Parts() {
        plat::Platform parts;
        parts.Services = services;
        parts.Processes = processes;
        parts.Host = host;
        return parts;
    }
};

TEST_F(BackupWindow,
       TheProgressWindowShowsTheStopTheScriptAndTheStartInOrderAndARunningWebServerAloneIsStopped) {
    const TLook stop{"stop", true, "Service Control", TryToStop, "Tallyfix Server"};
    const TLook script{"script", true, "Backup in Progress...", "Backing up data... Please wait.", ""};
    const TLook start{"start", true, "Service Control", TryToStart, "Tallyfix Server"};
    const struct {
        uint32_t state;
        std::vector<TLook> looks;
    } rows[] = {
        {4, {stop, script, start}},
        {1, {script, start}}, // stopped already: no stop request, and started all the same
    };
    DumpingScript();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.state);
        looks.clear();
        SetWebServer(r.state);
        const auto shown = Backup(dir.Path("chosen/db.sql"));
        EXPECT_EQ(r.looks, looks);
        EXPECT_FALSE(control->Visible());
        EXPECT_EQ(4u, sim.StateOf("Tomcat9"));
        ASSERT_EQ(1u, Outcome(shown).size());
        EXPECT_EQ("Backup: Backup completed successfully. Backup duration: 0.000 sec.", Outcome(shown)[0]);
        EXPECT_EQ(ui::MB_ICONINFORMATION_, shown.back().Flags & 0xF0);
    }
}

TEST_F(BackupWindow, TheQuestionComesFirstAndTheDialogProposesADatedNameInTheBackupFolderWhenThereIsOne) {
    const std::string dated = "2026-12-09 10.00.00.sql"; // the simulated clock's time
    // The folder as the program forms it, without its ".." step.
    const std::string backupFolder = CanonicalizePath(dir.Windows("backup"));
    const struct {
        const char* what;
        std::function<void()> prepare;
        int answer;
        std::string proposed; // "": no dialog
    } rows[] = {
        {"declined", [] {}, ui::IDCANCEL_, ""},
        {"folder made", [] {}, ui::IDOK_, backupFolder + "\\" + dated},
        {"folder there", [&] { dir.Write("backup/older.sql", "x"); }, ui::IDOK_, backupFolder + "\\" + dated},
        {"folder cannot be made",
         [&] {
             std::filesystem::remove_all(dir.Path("backup"));
             dir.Write("backup", "");
         },
         ui::IDOK_, dated},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        looks.clear();
        r.prepare();
        const auto shown = Backup(std::nullopt, r.answer); // the dialog is cancelled
        ASSERT_EQ(r.proposed.empty() ? 1u : 2u, shown.size());
        EXPECT_EQ(Question, shown[0].Text);
        EXPECT_EQ("Backup", shown[0].Caption);
        EXPECT_EQ(ui::MB_OKCANCEL_ | ui::MB_ICONWARNING_, shown[0].Flags);
        if (!r.proposed.empty()) {
            EXPECT_EQ("save", shown[1].Kind);
            EXPECT_EQ("Backup Location", shown[1].Caption);
            EXPECT_EQ(r.proposed, shown[1].Text);
        }
        EXPECT_TRUE(looks.empty()) << "nothing stopped, nothing run";
        EXPECT_EQ(4u, sim.StateOf("Tomcat9"));
    }
}

TEST_F(BackupWindow, TheChosenFileReachesTheScriptUnchangedThroughTheQuotingAndTheScriptRunsInItsOwnFolder) {
    Script("printf '%s\\n' \"$#\" \"$1\" \"$(pwd)\" > '" + dir.Path("notes.txt") +
           "'\nprintf 'dump' > \"$1\"\n");
    dir.Write("chosen/older backup.sql", "the last backup");
    const struct {
        const char* what;
        std::string file;
    } rows[] = {
        {"blanks in both paths", dir.Path("chosen/db of today.sql")},
        {"no .sql", dir.Path("chosen/nightly")},
        {"an existing file, asked nothing", dir.Path("chosen/older backup.sql")},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        const auto shown = Backup(r.file);
        ASSERT_EQ(1u, Outcome(shown).size());
        EXPECT_EQ(ui::MB_ICONINFORMATION_, shown.back().Flags & 0xF0) << Outcome(shown)[0];
        const std::string scriptFolder =
            std::filesystem::path(dir.Path(testsupport::BackupScriptFile)).parent_path().string();
        EXPECT_EQ("1\n" + r.file + "\n" + scriptFolder + "\n", dir.Read("notes.txt"));
        EXPECT_EQ("dump", testsupport::ReadFile(r.file));
    }
}

TEST_F(BackupWindow, EveryFailureEndsWithTheErrorMessageAndItsReasonAndTheWebServerStartedAgain) {
    const std::string file = dir.Path("chosen/db.sql");
    const std::string missing = dir.Path("no such folder/cmd.exe");
    const struct {
        const char* what;
        std::function<void()> prepare;
        std::vector<std::string> messages;
        uint32_t after;
        bool scriptTried = true;
    } rows[] = {
        {"standard error, file written",
         [&] {
             Script("echo 'pg_dump: error: connection refused' >&2\necho 'second line' >&2\nprintf x > "
                    "\"$1\"\n");
         },
         {std::string("Error: ") + ErrorDetails + "pg_dump: error: connection refused\nsecond line"},
         4},
        {"interpreter missing",
         [&] {
             DumpingScript();
             UseInterpreter(missing);
         },
         {std::string("Error: ") + ErrorDetails + "The backup script could not be started with " + missing +
          ": The system cannot find the file specified."},
         4},
        {"script missing",
         [&] { std::filesystem::remove_all(dir.Path("tomcat")); },
         {std::string("Error: ") + ErrorDetails + "The backup script could not be started with " + StandIn() +
          ": The directory name is invalid."},
         4},
        {"file not written",
         [&] { Script("echo done\n"); },
         {std::string("Error: ") + ErrorDetails + "The backup file " + file + " is missing or empty."},
         4},
        {"file empty",
         [&] { Script(": > \"$1\"\n"); },
         {std::string("Error: ") + ErrorDetails + "The backup file " + file + " is missing or empty."},
         4},
        {"web server not stopped", // its checkpoint goes back: the stop has failed
         [&] {
             DumpingScript();
             SetWebServer(4, {}, {testsupport::Status(3, 2), testsupport::Status(3, 1)});
         },
         {"Error: Can not stop Tomcat9 Service"},
         3,
         false},
        {"web server not started",
         [&] {
             DumpingScript();
             SetWebServer(4, {testsupport::Status(2), testsupport::Status(1)});
         },
         {"Error: Can not start Tomcat9 Service", // after the start's one wait hint
          "Backup: Backup completed successfully. Backup duration: 1.000 sec."},
         1},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        std::filesystem::remove(file);
        UseInterpreter(StandIn());
        SetWebServer(4);
        looks.clear();
        r.prepare();
        const auto shown = Backup(file);
        EXPECT_EQ(r.messages, Outcome(shown));
        ASSERT_LT(2u, shown.size());
        EXPECT_EQ(ui::MB_ICONWARNING_, shown[2].Flags & 0xF0);
        EXPECT_FALSE(control->Visible());
        EXPECT_EQ(r.after, sim.StateOf("Tomcat9"));
        EXPECT_EQ(r.scriptTried, std::any_of(looks.begin(), looks.end(),
                                             [](const TLook& l) { return l.Event == "script"; }));
    }
}

TEST_F(BackupWindow, TheSuccessMessageGivesTheSecondsFromBeforeTheStopToAfterTheStartWithThreeDecimals) {
    const struct {
        uint32_t stop, script, start; // milliseconds each phase takes on the simulated clock
        const char* separator;
        const char* seconds;
    } rows[] = {
        {1000, 11000, 345, ",", "12,345"},
        {0, 5, 0, ".", "0.005"},
        {2000, 58000, 0, ",", "60,000"},
    };
    DumpingScript();
    for (const auto& r : rows) {
        SCOPED_TRACE(r.seconds);
        host->Separator = r.separator;
        services->OnRequest = [&](const std::string& ARequest) {
            sim.Clock->Advance(ARequest == "stop" ? r.stop : r.start);
        };
        processes->OnCreate = [&](const plat::ProcessStartInfo&) { sim.Clock->Advance(r.script); };
        const auto shown = Backup(dir.Path("chosen/db.sql"));
        EXPECT_EQ(
            std::vector<std::string>{std::string("Backup: Backup completed successfully. Backup duration: ") +
                                     r.seconds + " sec."},
            Outcome(shown));
    }
}

TEST_F(BackupWindow, ASecondBackupIsRefusedWhileTheFirstRunsAndTheNextOneIsAskedForOnceItHasEnded) {
    DumpingScript();
    // The first backup's script is held until the second has been asked for; meanwhile the user closes
    // the progress window, which lets the first one go on.
    std::mutex gateLock;
    std::condition_variable gate;
    bool secondAsked = false, held = false;
    processes->OnCreate = [&](const plat::ProcessStartInfo&) {
        if (std::exchange(held, true))
            return;
        ui::TThread::Queue([&] { EXPECT_TRUE(testsupport::UserClick(*control->ButtonClose)); });
        std::unique_lock lock(gateLock);
        gate.wait(lock, [&] { return secondAsked; });
    };
    sim.Dialogs->AnswerMessage(ui::IDOK_);
    sim.Dialogs->AnswerFile(dir.Path("chosen/first.sql"));
    ChooseBackup();
    EXPECT_FALSE(control->Visible());

    sim.Dialogs->AnswerFile(dir.Path("chosen/second.sql")); // never asked for
    ChooseBackup();
    {
        std::lock_guard lock(gateLock);
        secondAsked = true;
    }
    gate.notify_all();
    testsupport::WaitForWorkers();

    auto shown = sim.Dialogs->Shown();
    ASSERT_EQ(4u, shown.size());
    EXPECT_EQ(Question, shown[0].Text);
    EXPECT_EQ("save", shown[1].Kind);
    EXPECT_EQ("A backup is running already. Start the next one when it has ended.", shown[2].Text);
    EXPECT_EQ("Backup", shown[2].Caption);
    EXPECT_EQ(ui::MB_ICONWARNING_, shown[2].Flags & 0xF0);
    EXPECT_EQ("Backup completed successfully. Backup duration: 0.000 sec.", shown[3].Text);
    EXPECT_TRUE(std::filesystem::exists(dir.Path("chosen/first.sql")));
    EXPECT_FALSE(std::filesystem::exists(dir.Path("chosen/second.sql")));

    processes->OnCreate = nullptr;
    shown = Backup(std::nullopt, ui::IDCANCEL_);
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(Question, shown[0].Text) << "the turn is free again";
}

} // namespace
