#include "CommandLine.h"
#include "LoggerUnit.h"
#include "MainUnit.h"
#include "UpdaterProgram.h"
#include "pe_image.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

namespace {

using testing_support::LogMessages;
using testing_support::PeImage;
using testing_support::SimWindows;
using testing_support::TempTree;
using testing_support::VersionInfo;
using Lines = std::vector<std::string>;

const char* UninstallPath =
    "HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class StartupTest : public ::testing::Test {
protected:
    void TearDown() override { SetCommandLineParams({}); }

    void OldInstallation(const std::string& adapter, const std::string& initdbVersion = "",
                         const std::string& webapp = "corvane") {
        tree.Write("old/tomcat/webapps/" + webapp + "/WEB-INF/db.properties",
                   "torque.database.maindb.adapter=" + adapter + "\r\n");
        if (!initdbVersion.empty()) {
            tree.Write("old/pgsql/bin/initdb.exe", PeImage(VersionInfo(initdbVersion)));
        }
    }

    std::unique_ptr<TMainForm> Create(TParams extra = {}) {
        TParams params{"Updater", tree.Path("old"), tree.Path("new")};
        params.insert(params.end(), extra.begin(), extra.end());
        SetCommandLineParams(params);
        auto form = std::make_unique<TMainForm>(nullptr);
        form->DoCreate();
        return form;
    }

    Lines Log() { return LogMessages(tree.Read("new/backup/Updater.log")); }

    Lines Captions(const TMainForm& f) {
        return {f.Label1->Caption(), f.Label2->Caption(), f.Label3->Caption(), f.Label4->Caption()};
    }

    SimWindows sim;
    TempTree tree;
};

TEST_F(StartupTest, MySqlInstallationLogsItsFindingsAndNeverReadsInitdb) {
    OldInstallation("mysql", "14.12.0.0");
    auto form = Create();
    EXPECT_EQ(form->Scenario(), TUpgradeScenario::MySQL);
    EXPECT_EQ(Log(), (Lines{"Start Corvane upgrade", "Previous installation directory - " + tree.Path("old"),
                            "New installation directory - " + tree.Path("new"), "Old product - ",
                            "Previous version uses MySQL database"}));
    EXPECT_EQ(Captions(*form), (Lines{"Backing up old installation", "Extracting database",
                                      "Converting database dump", "Uninstalling previous version"}));
}

TEST_F(StartupTest, Initdb14Point12OrLaterMinorGivesTheFastUpgrade) {
    OldInstallation("postgresql", "14.12.0.0");
    auto form = Create();
    EXPECT_TRUE(form->EnableFastPostgresUpdate);
    std::string initdb = tree.Path("old") + "\\pgsql\\bin\\initdb.exe";
    Lines log = Log();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(Lines(log.begin() + 4, log.end()),
              (Lines{"Version for " + initdb + " is 14.12", "Will use fast Postgres update",
                     "Previous version uses PostgreSQL database"}));
    EXPECT_EQ(Captions(*form), (Lines{"Checking services", "Backing up old installation", "Saving database",
                                      "Uninstalling previous version"}));
}

TEST_F(StartupTest, OtherVersionsAndAMissingInitdbGiveTheDumpUpgrade) {
    for (const char* version : {"14.11.0.0", "15.0.0.0", ""}) {
        TempTree fresh;
        std::swap(tree.Root, fresh.Root);
        OldInstallation("postgresql", version);
        auto form = Create();
        EXPECT_EQ(form->Scenario(), TUpgradeScenario::PostgresDump) << version;
        EXPECT_EQ(Log()[5], "Will extract database dump") << version;
        EXPECT_EQ(Captions(*form), (Lines{"Checking services", "Extracting database",
                                          "Backing up old installation", "Uninstalling previous version"}));
        if (*version == '\0') {
            EXPECT_EQ(Log()[4], "Version for " + tree.Path("old") + "\\pgsql\\bin\\initdb.exe is 0.0");
        }
        std::swap(tree.Root, fresh.Root);
    }
}

TEST_F(StartupTest, TallyfixSwitchInAnyCaseNamesTheProductAndItsUninstallKey) {
    sim.Registry->Import(std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + UninstallPath +
                         "Tallyfix_is1]\r\n\"DisplayName\"=\"Tallyfix 4.2\"\r\n");
    for (const char* sw : {"-tf", "/TF", "-Tf"}) {
        OldInstallation("postgresql", "", "server");
        auto form = Create({sw});
        Lines log = Log();
        EXPECT_EQ(log[0], "Start Tallyfix upgrade") << sw;
        EXPECT_EQ(log[3], "Old product - Tallyfix 4.2") << sw;
        EXPECT_TRUE(form->IsPostgresInstallation);
    }
}

TEST_F(StartupTest, ASwitchGivenFirstIsTakenAsTheSourceDirectory) {
    SetCommandLineParams({"Updater", "-tf", tree.Path("old"), tree.Path("new")});
    TMainForm form(nullptr);
    form.DoCreate();
    EXPECT_EQ(form.SourceDir, "-tf");
    EXPECT_EQ(form.DestDir, tree.Path("old"));
    EXPECT_TRUE(tree.Exists("old/backup/Updater.log"));
}

TEST_F(StartupTest, NextStepMakesFinishedAndCurrentStepsBoldWithTheArrowAtTheCurrentOne) {
    OldInstallation("postgresql");
    auto form = Create();
    EXPECT_FALSE(form->ArrowImage->Visible());
    form->NextStep(form->Label1);
    form->NextStep(form->Label2);
    form->NextStep(form->Label3);
    auto bold = [](ui::TLabel* l) { return l->Font().Style.Contains(ui::TFontStyle::fsBold); };
    EXPECT_TRUE(bold(form->Label1) && bold(form->Label2) && bold(form->Label3));
    EXPECT_FALSE(bold(form->Label4));
    EXPECT_TRUE(form->ArrowImage->Visible());
    EXPECT_EQ(form->ArrowImage->Top(), form->Label3->Top());
    EXPECT_EQ(form->ArrowImage->Left(), 72);
    form->NextStep(form->Label4);
    EXPECT_TRUE(bold(form->Label4));
    EXPECT_EQ(form->ArrowImage->Top(), 65);
}

TEST_F(StartupTest, TheWindowHasItsOwnClipAndArrowAndNoWayToBeClosedByTheUser) {
    OldInstallation("postgresql");
    auto form = Create();
    ASSERT_TRUE(form->Video->Open());
    EXPECT_EQ(static_cast<int>(form->Video->FrameWidth()), form->Video->Width())
        << "the clip fills its place";
    EXPECT_EQ(form->ArrowImage->PictureInfo().Width, form->ArrowImage->Width());
    EXPECT_EQ(form->ArrowImage->PictureInfo().Height, form->ArrowImage->Height());
    form->CloseRequested();
    EXPECT_TRUE(form->OnCloseQuery && !form->OnCloseQuery(form.get()));
}

class ProgramTest : public StartupTest {};

TEST_F(ProgramTest, MissingDirectoriesAreRefusedWithOneMessageAndExitCode2) {
    EXPECT_EQ(RunUpdater({"Updater"}), ExitBadCommandLine);
    EXPECT_EQ(RunUpdater({"Updater", tree.Path("missing"), tree.Path("new")}), ExitBadCommandLine);
    auto shown = sim.Dialogs->Shown();
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_NE(shown[0].Text.find("previous and the new installation directory are missing"),
              std::string::npos);
    EXPECT_NE(shown[0].Text.find("Usage: Updater"), std::string::npos);
    EXPECT_NE(shown[1].Text.find(tree.Path("missing") + "\" does not exist"), std::string::npos);
    EXPECT_FALSE(tree.Exists("new"));
}

TEST_F(ProgramTest, ASetUpErrorIsShownLoggedAndStopsTheRunWithExitCode1) {
    OldInstallation("postgresql");
    sim.Registry->Import(std::string("Windows Registry Editor Version 5.00\r\n\r\n[") + UninstallPath +
                         "Corvane Server_is1]\r\n\"DisplayName\"=hex(2):41,00,00,00\r\n");
    EXPECT_EQ(RunUpdater({"Updater", tree.Path("old"), tree.Path("new")}), ExitUpgradeFailed);
    auto shown = sim.Dialogs->Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].Text, "Invalid data type for 'DisplayName'");
    EXPECT_EQ(Log().back(), "ERegistryException: Invalid data type for 'DisplayName'");
    EXPECT_EQ(Log().size(), 4u) << "nothing after the failed set-up, no worker";
}

} // namespace
