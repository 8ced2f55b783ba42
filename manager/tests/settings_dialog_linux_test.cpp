// The settings dialog as an administrator meets it: the simulated services and registry, the real
// server.xml in a scratch installation, the headless window runtime, and a user who types, ticks and
// clicks.
#include "LoggerUtilsUnit.h"
#include "MUISupportUnit.h"
#include "MegaUtils.h"
#include "ProcrunKeys.h"
#include "RelocatedFiles.h"
#include "ServiceStatusUnit.h"
#include "SettingsUnit.h"
#include "SimWindows.h"
#include "TempDir.h"
#include "UiFixture.h"
#include "UserInput.h"
#include "ui/Keyboard.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace {

using testsupport::UserClick;
using testsupport::UserSelect;
using testsupport::UserToggle;
using testsupport::UserType;

const char* const kServerXml = "<Server port=\"8005\"><Service name=\"Catalina\">"
                               "<Connector port=\"8080\" protocol=\"HTTP/1.1\"/>"
                               "</Service></Server>";

// The simulated registry, noting every key that is opened or created.
class WatchedRegistry : public plat::IRegistry {
public:
    explicit WatchedRegistry(std::shared_ptr<plat::IRegistry> AReal) : FReal(std::move(AReal)) {}
    std::vector<std::string> Keys;

    long OpenKey(plat::RootKey r, const std::string& k, uint32_t a, plat::Handle& h) override {
        Keys.push_back(k);
        return FReal->OpenKey(r, k, a, h);
    }
    long CreateKey(plat::RootKey r, const std::string& k, uint32_t a, plat::Handle& h) override {
        Keys.push_back(k);
        return FReal->CreateKey(r, k, a, h);
    }
    long QueryValue(plat::Handle h, const std::string& n, uint32_t& t, std::vector<uint8_t>& d) override {
        return FReal->QueryValue(h, n, t, d);
    }
    long SetValue(plat::Handle h, const std::string& n, uint32_t t, const std::vector<uint8_t>& d) override {
        return FReal->SetValue(h, n, t, d);
    }
    long DeleteValue(plat::Handle h, const std::string& n) override { return FReal->DeleteValue(h, n); }
    long CloseKey(plat::Handle h) override { return FReal->CloseKey(h); }
    bool Touched(const std::string& AFragment) const {
        for (const std::string& k : Keys)
            if (k.find(AFragment) != std::string::npos)
                return true;
        return false;
    }

private:
    std::shared_ptr<plat::IRegistry> FReal;
};

// The system's elevation prompt, always agreed to; it only notes what it was asked to start.
class ElevationShell : public plat::IShell {
public:
    std::vector<std::string> Started;
    bool DeleteTree(const std::string&) override { return false; }
    bool CopyTree(const std::string&, const std::string&) override { return false; }
    bool OpenDocument(const std::string&, plat::Handle) override { return false; }
    bool OpenFolderAndSelectFile(const std::string&) override { return false; }
    bool RunElevated(const std::string& AExe, const std::string& AParams, plat::Handle) override {
        Started.push_back(AExe + " " + AParams);
        return true;
    }
};

class SettingsDialog : public testsupport::ApplicationTest {
protected:
    SettingsDialog() {
        dir.Write("manager/TFManager.exe", "");
        dir.Write("tomcat/conf/server.xml", kServerXml);
        sim.AddService("Tomcat9", 1);
        sim.AddService("pgsql", 4);
        sim.Registry->Import("Windows Registry Editor Version 5.00\r\n\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run]\r\n");
        RegWriteInteger(JvmMxPath, 512, plat::RootKey::LocalMachine);
        LoadedSettings() = TLoadedSettings{};
    }
    void SetUp() override {
        ApplicationTest::SetUp();
        mui::LoadDefaultLanguage();
        ::setenv("TK_SIM_ELEVATED", "1", 1);
    }
    void TearDown() override {
        ui::SetControlKeyDown(false);
        ::unsetenv("TK_SIM_ELEVATED");
        ApplicationTest::TearDown();
    }
    void SetStartType(const std::string& AService, uint32_t AType) {
        sim.Services->Find(AService)->StartType = AType;
    }
    TSettingsForm& Open() {
        form = std::make_unique<TSettingsForm>(nullptr);
        form->DoCreate();
        form->Show();
        registry->Keys.clear();
        return *form;
    }
    std::vector<ui::TShownDialog> Messages() const { return sim.Dialogs->Shown(); }
    int32_t RegInt(const std::string& APath) { return RegReadInteger(APath, plat::RootKey::LocalMachine); }

    testsupport::TempDir dir{"tk-settings-"};
    testsupport::SimWindows sim;
    std::shared_ptr<WatchedRegistry> registry = std::make_shared<WatchedRegistry>(sim.Registry);
    std::shared_ptr<ElevationShell> shell = std::make_shared<ElevationShell>();
    plat::ScopedOverride platform{Parts()};
    std::unique_ptr<TSettingsForm> form;

private:
    plat::Platform Parts() {
        plat::Platform parts;
        parts.Registry = registry;
        parts.Shell = shell;
        parts.Files = std::make_shared<testsupport::RelocatedFiles>(plat::Current().Files,
                                                                    dir.Windows("manager\\TFManager.exe"));
        return parts;
    }
};

TEST_F(SettingsDialog, EachRuleRefusesWithItsMessagePageAndFieldAndWritesNothing) {
    const struct {
        const char *http, *https;
        bool httpsOn;
        const char *memory, *interval;
        const char* message; // nullptr: accepted
        int page;
        const char* focus;
    } rows[] = {
        {"65535", "8443", false, "256", "5", nullptr, 0, nullptr},
        {"65536", "8443", false, "256", "5", "Web server port must be an integer between 1 and 65536", 0,
         "EditWebServerPort"},
        {"0", "8443", false, "256", "5", "Web server port must be an integer between 1 and 65536", 0,
         "EditWebServerPort"},
        {"http", "8443", false, "256", "5", "Web server port must be an integer between 1 and 65536", 0,
         "EditWebServerPort"},
        {"80x", "8443", false, "256", "5", "Web server port must be an integer between 1 and 65536", 0,
         "EditWebServerPort"},
        {"8080", "8080", true, "256", "5", "HTTP and Secure HTTP ports must be different", 0,
         "EditHttpsPort"},
        {"8080", "08080", true, "256", "5", "HTTP and Secure HTTP ports must be different", 0,
         "EditHttpsPort"},
        {"8080", "0", true, "256", "5", "Secure HTTP port must be an integer between 1 and 65536", 0,
         "EditHttpsPort"},
        {"8080", "8080", false, "64", "5", nullptr, 0,
         nullptr}, // secure HTTP off: its field is not looked at
        {"8080", "8443", false, "63", "5",
         "Java Virtual Machine maximum size must be a non-negative number over 64 MB", 2, "EditJavaMaxMem"},
        {"8080", "8443", false, "big", "5",
         "Java Virtual Machine maximum size must be a non-negative number over 64 MB", 2, "EditJavaMaxMem"},
        {"8080", "8443", false, "256", "0", "Service check interval must be an positive number", 3,
         "EditCheckInterval"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.http) + " " + row.https + " " + row.memory + " " + row.interval);
        dir.Write("tomcat/conf/server.xml", kServerXml);
        RegWriteInteger(JvmMxPath, 512, plat::RootKey::LocalMachine);
        sim.Dialogs = std::make_shared<ui::TScriptedDialogs>();
        ui::ScopedDialogs dialogs(sim.Dialogs);
        TSettingsForm& f = Open();
        UserType(*f.EditWebServerPort, row.http);
        if (f.CheckHttpsEnabled->Checked() != row.httpsOn)
            UserToggle(*f.CheckHttpsEnabled);
        if (row.httpsOn)
            UserType(*f.EditHttpsPort, row.https);
        UserSelect(*f.TreeMenu, 2);
        UserType(*f.EditJavaMaxMem, row.memory);
        UserSelect(*f.TreeMenu, 3);
        UserType(*f.EditCheckInterval, row.interval);
        UserClick(*f.OkButton);
        if (!row.message) {
            EXPECT_TRUE(Messages().empty());
            EXPECT_FALSE(f.Showing()) << "saved and closed";
            EXPECT_NE(std::string::npos,
                      dir.Read("tomcat/conf/server.xml").find(std::string("\"") + row.http + "\""));
            EXPECT_FALSE(dir.Read("tomcat/conf/server.xml").find("secure") != std::string::npos);
            continue;
        }
        ASSERT_EQ(1u, Messages().size());
        EXPECT_EQ(row.message, Messages()[0].Text);
        EXPECT_EQ("Error", Messages()[0].Caption);
        EXPECT_EQ(ui::MB_ICONWARNING_, Messages()[0].Flags & 0xF0);
        EXPECT_EQ(row.page, f.PageControl->ActivePageIndex());
        EXPECT_EQ(row.page, f.TreeMenu->Selected());
        ASSERT_NE(nullptr, f.ActiveControl());
        EXPECT_EQ(row.focus, f.ActiveControl()->Name());
        EXPECT_TRUE(f.Showing());
        EXPECT_EQ(kServerXml, dir.Read("tomcat/conf/server.xml"));
        EXPECT_EQ(512, RegInt(JvmMxPath));
    }
}

TEST_F(SettingsDialog, ShowingReadsEveryValueAndFallsBackWhereNothingCanBeRead) {
    sim.Services->RemoveService("pgsql");
    SetStartType("Tomcat9", plat::SERVICE_AUTO_START_);
    // The Run value names the program in other letters: still this program.
    std::string exe = dir.Windows("manager\\TFMANAGER.EXE");
    RegWriteString(ManagerRunValuePath, "\"" + exe + "\" /BACKGROUND", plat::RootKey::LocalMachine, true);
    TSettingsForm& f = Open();
    EXPECT_EQ("512", f.EditJavaMaxMem->Text());
    EXPECT_EQ("8080", f.EditWebServerPort->Text());
    EXPECT_EQ("8443", f.EditHttpsPort->Text());
    EXPECT_FALSE(f.CheckHttpsEnabled->Checked());
    EXPECT_FALSE(f.EditHttpsPort->Enabled());
    EXPECT_EQ("5", f.EditCheckInterval->Text()) << "no RefreshTime value";
    EXPECT_TRUE(f.CheckWebServiceAutostart->Checked());
    EXPECT_TRUE(f.CheckWebServiceAutostart->Enabled());
    EXPECT_FALSE(f.LabelWebServicenotInstalled->Visible());
    EXPECT_FALSE(f.CheckMySQLAutoStart->Enabled());
    EXPECT_TRUE(f.LabelMySqlNotInstalled->Visible());
    EXPECT_TRUE(f.CheckManagerAutostart->Checked());
    EXPECT_EQ(0, f.PageControl->ActivePageIndex());
    EXPECT_EQ("Tallyfix", f.CaptionPanel->Caption());
    EXPECT_FALSE(f.CheckDebugMode->Visible());
    EXPECT_EQ("OK", f.OkButton->Caption());

    // A value that can no longer be read keeps what the earlier showing read.
    RegWriteInteger(RefreshTimeRegistryPath(), 30, plat::RootKey::LocalMachine);
    f.Hide();
    f.Show();
    EXPECT_EQ("30", f.EditCheckInterval->Text());
    RegWriteString(RefreshTimeRegistryPath(), "thirty", plat::RootKey::LocalMachine);
    f.Hide();
    f.Show();
    EXPECT_EQ("30", f.EditCheckInterval->Text());
}

TEST_F(SettingsDialog, OnlyChangedBoxesReachTheServicesAndTheRunKey) {
    // Disabled reads as not automatic; any start type written would replace it.
    constexpr uint32_t disabled = 4;
    SetStartType("Tomcat9", disabled);
    SetStartType("pgsql", disabled);
    Open();
    UserClick(*form->OkButton);
    EXPECT_FALSE(form->Showing());
    EXPECT_EQ(disabled, sim.Services->Find("Tomcat9")->StartType);
    EXPECT_EQ(disabled, sim.Services->Find("pgsql")->StartType);
    EXPECT_FALSE(registry->Touched("CurrentVersion\\Run")) << "the autostart box was not changed";

    Open();
    UserToggle(*form->CheckWebServiceAutostart);
    UserSelect(*form->TreeMenu, 3);
    UserToggle(*form->CheckManagerAutostart);
    UserClick(*form->OkButton);
    EXPECT_EQ(plat::SERVICE_AUTO_START_, sim.Services->Find("Tomcat9")->StartType);
    EXPECT_EQ(disabled, sim.Services->Find("pgsql")->StartType);
    std::string run;
    RegReadString(ManagerRunValuePath, plat::RootKey::LocalMachine, run, true);
    EXPECT_EQ("\"" + dir.Windows("manager\\TFManager.exe") + "\" /background", run);

    Open();
    UserSelect(*form->TreeMenu, 3);
    EXPECT_TRUE(form->CheckManagerAutostart->Checked());
    UserToggle(*form->CheckManagerAutostart);
    UserClick(*form->OkButton);
    run.clear();
    RegReadString(ManagerRunValuePath, plat::RootKey::LocalMachine, run, true);
    EXPECT_EQ("", run) << "unticked: the value is gone";
}

TEST_F(SettingsDialog, AFailingSaveStepIsReportedAndTheStepsAfterItStillRun) {
    dir.Write("tomcat/conf/server.xml", "<Server><Service>"); // the connector update cannot parse it
    TSettingsForm& f = Open();
    UserToggle(*f.CheckWebServiceAutostart);
    UserSelect(*f.TreeMenu, 2);
    UserType(*f.EditJavaMaxMem, "1024");
    int32_t intervalSet = 0;
    f.OnCheckIntervalChanged = [&](int32_t AMs) { intervalSet = AMs; };
    UserClick(*f.OkButton);
    ASSERT_EQ(1u, Messages().size());
    EXPECT_EQ("Error saving settings", Messages()[0].Text.substr(0, 21));
    EXPECT_EQ(1024, RegInt(JvmMxPath)) << "the step before";
    EXPECT_EQ(plat::SERVICE_AUTO_START_, sim.Services->Find("Tomcat9")->StartType) << "the step after";
    EXPECT_TRUE(f.Showing()) << "a failed save keeps the dialog open";
    EXPECT_EQ(0, intervalSet);
}

TEST_F(SettingsDialog, ApplyingHandsTheNewIntervalToTheMainWindowAndRefreshesIt) {
    TSettingsForm& f = Open();
    int32_t intervalSet = 0;
    int refreshed = 0;
    f.OnCheckIntervalChanged = [&](int32_t AMs) { intervalSet = AMs; };
    f.OnSaved = [&] { ++refreshed; };
    UserSelect(*f.TreeMenu, 3);
    UserType(*f.EditCheckInterval, "12");
    UserClick(*f.OkButton);
    EXPECT_EQ(12000, intervalSet);
    EXPECT_EQ(1, refreshed);
    EXPECT_EQ(12, RegInt(RefreshTimeRegistryPath()));
    EXPECT_FALSE(f.Showing());
}

TEST_F(SettingsDialog, CtrlOnTheFirstNodeRevealsTheDebugBoxWhichThenSwitchesLoggingOnlyWhenChanged) {
    RegWriteString(ProcrunJvmPath, "", plat::RootKey::LocalMachine); // makes the Java key
    sim.Registry->Import(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Apache Software Foundation\\Procrun 2.0\\"
        "Tomcat9\\Parameters\\Java]\r\n"
        "\"Options\"=hex(7):2d,00,44,00,6a,00,61,00,76,00,61,00,2e,00,75,00,74,00,69,00,6c,00,2e,"
        "00,6c,00,6f,00,67,00,67,00,69,00,6e,00,67,00,2e,00,6d,00,61,00,6e,00,61,00,67,00,65,00,"
        "72,00,3d,00,6f,00,72,00,67,00,2e,00,61,00,70,00,61,00,63,00,68,00,65,00,2e,00,6a,00,75,"
        "00,6c,00,69,00,2e,00,43,00,6c,00,61,00,73,00,73,00,4c,00,6f,00,61,00,64,00,65,00,72,00,"
        "4c,00,6f,00,67,00,4d,00,61,00,6e,00,61,00,67,00,65,00,72,00,00,00,00,00\r\n");
    dir.Write("tomcat/webapps/server/WEB-INF/classes/keep", "");
    TSettingsForm& f = Open();
    UserSelect(*f.TreeMenu, 1);
    UserSelect(*f.TreeMenu, 0);
    EXPECT_FALSE(f.CheckDebugMode->Visible()) << "without Ctrl";
    ui::SetControlKeyDown(true);
    UserSelect(*f.TreeMenu, 0); // the node that is selected already
    ui::SetControlKeyDown(false);
    ASSERT_TRUE(f.CheckDebugMode->Showing());
    EXPECT_FALSE(f.CheckDebugMode->Checked());
    EXPECT_TRUE(f.ButtonCreateHeapDump->Showing());

    UserToggle(*f.CheckDebugMode);
    UserClick(*f.OkButton);
    EXPECT_TRUE(Messages().empty());
    EXPECT_TRUE(IsDebugLoggingOn());

    // Shown again with the box still revealed: it reads the switch, and an unchanged box changes nothing.
    std::string written =
        testsupport::ReadFile(dir.Path("tomcat/webapps/server/WEB-INF/classes/logging.properties"));
    dir.Write("tomcat/webapps/server/WEB-INF/classes/logging.properties", "hand-edited");
    f.Show();
    EXPECT_TRUE(f.CheckDebugMode->Checked());
    UserClick(*f.OkButton);
    EXPECT_EQ("hand-edited", dir.Read("tomcat/webapps/server/WEB-INF/classes/logging.properties"));
    EXPECT_FALSE(written.empty());
}

TEST_F(SettingsDialog, WithoutElevationEveryEditingControlIsDisabledAndOkStartsAnElevatedInstance) {
    ::setenv("TK_SIM_ELEVATED", "0", 1);
    TSettingsForm& f = Open();
    for (ui::TControl* c : std::initializer_list<ui::TControl*>{
             f.CheckWebServiceAutostart, f.LabelWebServerPort, f.EditWebServerPort, f.CheckHttpsEnabled,
             f.LabelHttpsPort, f.EditHttpsPort, f.ButtonCreateHeapDump, f.CheckDebugMode,
             f.CheckMySQLAutoStart, f.EditJavaMaxMem, f.LabelJavaMaxMem, f.ChangeJDKButton,
             f.CheckManagerAutostart, f.LabelCheckInterval, f.EditCheckInterval})
        EXPECT_FALSE(c->Enabled()) << c->Name();
    EXPECT_TRUE(f.TreeMenu->Enabled());
    EXPECT_TRUE(f.CancelButton->Enabled());
    EXPECT_EQ("Change Settings", f.OkButton->Caption());
    EXPECT_TRUE(f.OkButton->ElevationShield());

    UserSelect(*f.TreeMenu, 3);
    UserClick(*f.OkButton);
    ASSERT_EQ(1u, shell->Started.size());
    EXPECT_EQ(dir.Windows("manager\\TFManager.exe") + " /elevate /settings", shell->Started[0]);
    EXPECT_TRUE(ui::Application().Terminated()) << "the elevated instance takes over";
    EXPECT_EQ(512, RegInt(JvmMxPath));
    EXPECT_EQ(kServerXml, dir.Read("tomcat/conf/server.xml"));
}

} // namespace
