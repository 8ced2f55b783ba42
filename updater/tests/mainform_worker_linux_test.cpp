#include "CommandLine.h"
#include "LoggerUnit.h"
#include "MainUnit.h"
#include "UpdaterProgram.h"
#include "WorkingThreadUnit.h"
#include "old_installation.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using testing_support::CapturedLog;
using testing_support::LogMessages;
using testing_support::OldDatabase;
using testing_support::OldInstallation;
using testing_support::SimSystemDir;
using testing_support::SimWindows;
using testing_support::TempTree;
using Lines = std::vector<std::string>;

// Scripts run through the stand-in for the system's command interpreter, which hands them to the shell.
class WorkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetCommandLineParams({"Updater", tree.Path("old"), tree.Path("new")});
        for (const char* service : {"pgsql", "tomcat7", "tomcat9"}) {
            sim.AddService(service, plat::SERVICE_STOPPED_);
        }
    }
    void TearDown() override { SetCommandLineParams({}); }

    std::string SqlDir() const { return "old/tomcat/webapps/corvane/WEB-INF/sql/postgresql/"; }
    void DumpScript(const std::string& body) { tree.Write(SqlDir() + "full-backup.bat", body); }
    std::unique_ptr<TWorkingThread> Worker(bool postgres, bool fast) {
        auto worker = std::make_unique<TWorkingThread>(postgres, fast);
        worker->FreeOnTerminate = false;
        worker->SourceDir = tree.Path("old");
        worker->DestDir = tree.Path("new");
        return worker;
    }

    SimWindows sim;
    TempTree tree;
    CapturedLog log;
    SimSystemDir systemDir;
};

TEST_F(WorkerTest, FastUpgradeStopsPostgresAndEveryTomcat) {
    sim.Services->Find("tomcat7")->State = plat::SERVICE_RUNNING_;
    Worker(true, true)->CheckServices();
    EXPECT_EQ(log.Messages(), (Lines{"Step 1: check services", "PostgreSQL service already stopped",
                                     "Stopping tomcat services"}));
    EXPECT_EQ(sim.StateOf("tomcat7"), plat::SERVICE_STOPPED_);
}

TEST_F(WorkerTest, DumpUpgradeStartsAStoppedPostgres) {
    Worker(true, false)->CheckServices();
    EXPECT_EQ(log.Messages(),
              (Lines{"Step 1: check services", "Starting PostgreSQL service", "Stopping tomcat services"}));
    EXPECT_EQ(sim.StateOf("pgsql"), plat::SERVICE_RUNNING_);
    Worker(true, false)->CheckServices();
    EXPECT_EQ(log.Messages()[4], "PostgreSQL service already started");
}

TEST_F(WorkerTest, ExtractDatabaseReplacesAnOldDumpWithTheNewOne) {
    DumpScript("echo '-- new dump' > full-backup.sql\n");
    tree.Write("new/backup/full-backup.sql", "-- old dump\n");
    Worker(true, false)->ExtractDatabase();
    Lines messages = log.Messages();
    EXPECT_EQ(messages[0], "Step 2: extract PostgreSQL database");
    EXPECT_EQ(messages[1], "backup script path - " + tree.Path("old") +
                               "\\tomcat\\webapps\\corvane\\WEB-INF\\sql\\postgresql\\full-backup.bat");
    EXPECT_EQ(messages.back(), "Old full-backup.sql deleted");
    EXPECT_EQ(tree.Read("new/backup/full-backup.sql"), "-- new dump\n");
    EXPECT_FALSE(tree.Exists(SqlDir() + "full-backup.sql"));
}

TEST_F(WorkerTest, ExtractDatabaseMakesTheBackupFolderOfANewInstallation) {
    DumpScript("printf x > full-backup.sql\n");
    Worker(true, false)->ExtractDatabase();
    EXPECT_EQ(tree.Read("new/backup/full-backup.sql"), "x");
    EXPECT_NE(log.Messages().back(), "Old full-backup.sql deleted");
}

// The dump and the MySQL upgrade keep their database as full-backup.sql in the backup folder.
TEST_F(WorkerTest, ADumpIsSavedWhenItIsAFileWithSomethingInIt) {
    for (bool postgres : {true, false}) {
        auto worker = Worker(postgres, false);
        EXPECT_THROW(worker->EnsureDatabaseSaved(), EUpgradeError) << "missing";
        tree.Write("new/backup/full-backup.sql", "");
        EXPECT_THROW(worker->EnsureDatabaseSaved(), EUpgradeError) << "empty";
        std::filesystem::remove(tree.Root / "new/backup/full-backup.sql");
        tree.Write("new/backup/full-backup.sql/inside", "a folder of that name");
        EXPECT_THROW(worker->EnsureDatabaseSaved(), EUpgradeError) << "a folder";
        std::filesystem::remove_all(tree.Root / "new/backup/full-backup.sql");
        tree.Write("new/backup/full-backup.sql", ";");
        EXPECT_NO_THROW(worker->EnsureDatabaseSaved());
        std::filesystem::remove(tree.Root / "new/backup/full-backup.sql");
    }
}

TEST_F(WorkerTest, AFailedDumpStopsTheRunAndKeepsTheOldDump) {
    DumpScript("echo 'pg_dump: connection refused'\nexit 1\n");
    tree.Write("new/backup/full-backup.sql", "-- old dump\n");
    EXPECT_THROW(Worker(true, false)->ExtractDatabase(), EUpgradeError);
    EXPECT_EQ(tree.Read("new/backup/full-backup.sql"), "-- old dump\n");
    Lines messages = log.Messages();
    EXPECT_EQ(std::count(messages.begin(), messages.end(), "Old full-backup.sql deleted"), 0);
    EXPECT_EQ(messages[2], "pg_dump: connection refused\n");
}

TEST_F(WorkerTest, ScriptOutputIsLoggedInChunksAsItArrives) {
    std::string line(99, 'x');
    DumpScript("i=0\nwhile [ $i -lt 50 ]; do echo " + line + "; i=$((i+1)); done\n");
    TWorkingThread::RunScript(tree.Path(SqlDir() + "full-backup.bat"), tree.Path(SqlDir()));
    Lines chunks = log.Messages();
    EXPECT_GE(chunks.size(), 3u);
    std::string joined;
    for (const std::string& chunk : chunks) {
        EXPECT_LE(chunk.size(), 2400u);
        joined += chunk;
    }
    EXPECT_EQ(joined.size(), 5000u);
    EXPECT_EQ(joined.substr(0, 100), line + "\n");
}

TEST_F(WorkerTest, SavePostgresDataMovesTheDataFolderAndKeepsAnEarlierCopy) {
    tree.Write("old/pgsql/data/PG_VERSION", "14\n");
    tree.Write("new/backup/data/stale", "from an older run");
    tree.Write("new/backup/data.earlier/left", "by a run that was cut short");
    Worker(true, true)->SavePostgresData();
    EXPECT_EQ(tree.Read("new/backup/data/PG_VERSION"), "14\n");
    EXPECT_FALSE(tree.Exists("new/backup/data/stale"));
    EXPECT_FALSE(tree.Exists("new/backup/data.earlier")) << "the earlier copy goes once the data is in place";
    EXPECT_FALSE(tree.Exists("old/pgsql/data"));
    EXPECT_EQ(log.Messages()[1].rfind("Database copying time ", 0), 0u);

    auto again = Worker(true, true); // a second run finds the data already saved
    again->SavePostgresData();
    EXPECT_EQ(tree.Read("new/backup/data/PG_VERSION"), "14\n");
    EXPECT_NO_THROW(again->EnsureDatabaseSaved());
    std::filesystem::remove_all(tree.Root / "new/backup/data");
    EXPECT_THROW(again->EnsureDatabaseSaved(), EUpgradeError);
}

TEST_F(WorkerTest, ADataFolderThatCouldNotBeMovedIsNotSaved) {
    tree.Write("old/pgsql/data/PG_VERSION", "14\n");
    tree.Write("new/backup/data", "a file where the folder should go");
    auto worker = Worker(true, true);
    worker->SavePostgresData();
    EXPECT_THROW(worker->EnsureDatabaseSaved(), EUpgradeError);
    EXPECT_EQ(tree.Read("old/pgsql/data/PG_VERSION"), "14\n");
}

// The whole program on a previous installation with its uninstall key and an uninstaller stand-in.
class UpgradeRunTest : public WorkerTest {
protected:
    const std::string UpgradeStopped =
        "Upgrade stopped: the previous version was not uninstalled and its folders were not deleted";
    std::string StoppedLine() const {
        return "The upgrade stopped. The log is " + tree.Path("new") + "\\backup\\Updater.log\n";
    }
    // Runs the Updater and returns its exit code; what the window announced is in shown.
    int Run(const OldInstallation& old) {
        old.AddServices(*sim.Services);
        EXPECT_TRUE(sim.Registry->Import(old.Registry()));
        testing::internal::CaptureStdout();
        const int code = RunUpdater({"Updater", old.Old(), old.New()});
        shown = testing::internal::GetCapturedStdout();
        return code;
    }
    std::string shown;
};

TEST_F(UpgradeRunTest, ADumpUpgradeRunsToItsEndAndShowsEachStep) {
    const OldInstallation old(tree, OldDatabase::PostgresDump);
    tree.Write("old/bin/stop_tomcat_service.bat",
               R"(>nul 2>&1 "%SYSTEMROOT%\system32\cacls.exe" "%SYSTEMROOT%\system32\config\system")");
    EXPECT_EQ(Run(old), ExitUpgradeDone);
    EXPECT_EQ(shown, "Checking services\nExtracting database\nBacking up old installation\n"
                     "Uninstalling previous version\n");
    Lines file = LogMessages(tree.Read("new/backup/Updater.log"));
    auto at = std::find(file.begin(), file.end(), "Step 1: check services");
    ASSERT_NE(at, file.end());
    EXPECT_EQ(Lines(at, at + 4), (Lines{"Step 1: check services", "Starting PostgreSQL service",
                                        "Stopping tomcat services", "Step 2: extract PostgreSQL database"}));
    EXPECT_EQ(tree.Read("new/backup/full-backup.sql"), "-- new dump\n");
    EXPECT_EQ(tree.Read("new/backup/servers.properties"), "server.name=old\r\n");
    EXPECT_EQ(old.UninstallerCall(), tree.Path("old") + "\n/VERYSILENT\n");
    EXPECT_FALSE(tree.Exists("old/pgsql")) << "the uninstaller's leftovers go";
    EXPECT_FALSE(tree.Exists("old/tomcat/webapps"));
    EXPECT_TRUE(tree.Exists("old/tomcat/conf/server.xml")) << "nothing else does";
    EXPECT_NE(tree.Read("old/bin/stop_tomcat_service.bat").find("%REGISTRY_FILE%"), std::string::npos)
        << "the stop script is repaired before the uninstaller runs it";
    EXPECT_EQ(sim.Clock->Sleeps().back(), 500u);
}

TEST_F(UpgradeRunTest, AMySqlUpgradeWithoutAConvertedDumpNeverEndsAsASuccess) {
    const OldInstallation old(tree, OldDatabase::MySql);
    EXPECT_EQ(Run(old), ExitUpgradeFailed);
    // Without the update scripts beside the program the database cannot be extracted.
    EXPECT_EQ(shown, "Backing up old installation\nExtracting database\n" + StoppedLine());
    Lines file = LogMessages(tree.Read("new/backup/Updater.log"));
    ASSERT_GE(file.size(), 2u);
    EXPECT_EQ(file[file.size() - 2].rfind("EOSError: Cannot list the folder ", 0), 0u)
        << file[file.size() - 2];
    EXPECT_EQ(file.back(), UpgradeStopped);
    EXPECT_FALSE(old.Uninstalled());
    EXPECT_TRUE(tree.Exists("old/mysql5/data/ibdata1")) << "nothing is uninstalled";
    EXPECT_EQ(sim.Clock->Sleeps().back(), 5000u) << "the failure stays on the screen";
}

TEST_F(UpgradeRunTest, AFailedStepEndsTheRunWithExitCode1AtThatStep) {
    const OldInstallation old(tree, OldDatabase::PostgresDump);
    old.DumpScript("exit 3\n");
    EXPECT_EQ(Run(old), ExitUpgradeFailed);
    EXPECT_EQ(shown, "Checking services\nExtracting database\n" + StoppedLine());
    Lines file = LogMessages(tree.Read("new/backup/Updater.log"));
    ASSERT_GE(file.size(), 2u);
    EXPECT_EQ(file[file.size() - 2].rfind("EUpgradeError: Database dump not written - ", 0), 0u)
        << file[file.size() - 2];
    EXPECT_EQ(file.back(), UpgradeStopped);
}

} // namespace
