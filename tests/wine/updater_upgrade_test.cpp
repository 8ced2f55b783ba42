// The Updater run end to end under Wine: a previous installation laid out in the prefix with real
// services, registry values and .bat scripts run by Wine's cmd.exe, and the run judged by its exit code
// and by what it leaves behind.
#include "NamedService.h"
#include "WinUtilsUnit.h"
#include "WineTestSupport.h"
#include "platform/Platform.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <vector>

namespace {

namespace win = plat::win;
using winetest::HelperPath;
using winetest::NamedService;
using winetest::ReadFile;
using winetest::UnzipTest;
using winetest::WaitUntil;
using winetest::WinePath;
using winetest::WriteFile;

constexpr DWORD UpdaterLimitMs = 600000;
const std::string UninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const std::string TomcatJavaKey =
    "SOFTWARE\\Apache Software Foundation\\Procrun 2.0\\Tomcat9\\Parameters\\Java";
const std::string HeapBackupKey = "SOFTWARE\\Corvane Inc\\backup";

std::string UpdaterBuilt() {
    return WinePath(UPDATER_EXE);
}

bool Exists(const std::string& path) {
    return plat::Files().FileExists(path);
}

bool FolderExists(const std::string& path) {
    return plat::Files().DirectoryExists(path);
}

void SetString(const std::string& key, const std::string& name, const std::string& value) {
    win::unique_hkey h;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, win::Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, h.put(), nullptr),
              ERROR_SUCCESS);
    const std::wstring wide = win::Wide(value);
    RegSetValueExW(h.get(), win::Wide(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(wide.c_str()),
                   static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t)));
}

void SetDword(const std::string& key, const std::string& name, DWORD value) {
    win::unique_hkey h;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, win::Wide(key).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, h.put(), nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(h.get(), win::Wide(name).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                   sizeof value);
}

std::optional<DWORD> GetDword(const std::string& key, const std::string& name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, win::Wide(key).c_str(), win::Wide(name).c_str(), RRF_RT_REG_DWORD,
                     nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void DeleteKey(const std::string& key) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, win::Wide(key).c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, win::Wide(key).c_str());
}

// The path of a file of the prefix as Linux names it.
std::vector<std::string> ZipFilesIn(const std::string& folder) {
    std::vector<plat::FindEntry> entries;
    plat::Files().FindFiles(folder + "\\*.zip", entries);
    std::vector<std::string> names;
    for (const auto& e : entries)
        names.push_back(e.Name);
    return names;
}

enum class Database { PostgresFast, PostgresDump, MySql };

// A previous installation ("old") and a new one ("new") with the Updater copied into it, the services
// and registry values of the previous version, and an uninstaller that notes how it was started.
class UpgradeOnWine : public ::testing::Test {
protected:
    void TearDown() override {
        DeleteKey(UninstallKey + uninstallName_);
        DeleteKey(TomcatJavaKey);
        DeleteKey(HeapBackupKey);
    }

    void LayOut(Database database, bool tallyfix, const std::string& dumpScript) {
        uninstallName_ = tallyfix ? "Tallyfix_is1" : "Corvane Server_is1";
        webapp_ = old_ + "\\tomcat\\webapps\\" + (tallyfix ? "server" : "corvane");
        const bool mysql = database == Database::MySql;
        WriteFile(webapp_ + "\\WEB-INF\\db.properties",
                  std::string("torque.database.maindb.adapter=") + (mysql ? "mysql" : "postgresql") + "\r\n");
        WriteFile(webapp_ + "\\WEB-INF\\servers.properties", "server.name=wine\r\n");
        WriteFile(webapp_ + "\\META-INF\\context.xml", "<Context/>\r\n");
        WriteFile(webapp_ + "\\images\\maps\\floor1.png", "PNG");
        WriteFile(old_ + "\\tomcat\\.keystore", "keystore");
        WriteFile(old_ + "\\backup\\previous-upgrade.log", "left out of the archive");
        ASSERT_TRUE(
            plat::Files().CopyFile(HelperPath("wine_test_uninstaller.exe"), old_ + "\\unins000.exe", false));
        ASSERT_TRUE(plat::Files().ForceDirectories(new_));
        ASSERT_TRUE(plat::Files().CopyFile(UpdaterBuilt(), new_ + "\\Updater.exe", false)) << UpdaterBuilt();
        if (mysql)
            LayOutMySql();
        else
            LayOutPostgres(database, dumpScript);

        SetString(UninstallKey + uninstallName_, "DisplayName", "Previous version 5.2");
        SetString(UninstallKey + uninstallName_, "UninstallString",
                  "\"" + old_ + "\\unins000.exe\" \"" + Marker() + "\"");
        SetString(UninstallKey + uninstallName_, "InstallLocation", old_);
        SetDword(TomcatJavaKey, "JvmMx", 512);
        DeleteKey(HeapBackupKey);
    }

    void LayOutPostgres(Database database, const std::string& dumpScript) {
        WriteFile(old_ + "\\pgsql\\data\\PG_VERSION", "14\r\n");
        WriteFile(old_ + "\\pgsql\\data\\base\\1\\1259", "relation");
        WriteFile(webapp_ + "\\WEB-INF\\sql\\postgresql\\full-backup.bat", dumpScript);
        const bool fast = database == Database::PostgresFast;
        if (fast) {
            ASSERT_TRUE(plat::Files().ForceDirectories(old_ + "\\pgsql\\bin"));
            ASSERT_TRUE(plat::Files().CopyFile(HelperPath("wine_test_initdb.exe"),
                                               old_ + "\\pgsql\\bin\\initdb.exe", false));
        }
        database_ = std::make_unique<NamedService>("pgsql", dir_.Windows("pgsql.log"), fast);
    }

    std::string UpdateListing() { return dir_.Windows("update-scripts.txt"); }

    void LayOutMySql() {
        const std::string m = webapp_ + "\\WEB-INF\\sql\\mysql\\";
        WriteFile(old_ + "\\mysql5\\data\\ibdata1", "mysql data");
        // The script notes which update scripts it found in a file outside the installation, which
        // the uninstall leaves alone.
        WriteFile(m + "upgrade_db.bat", "@echo off\r\necho Upgrading the MySQL database\r\n"
                                        "dir /b *.sql > \"" +
                                            UpdateListing() +
                                            "\"\r\n"
                                            "echo The MySQL database is upgraded\r\n");
        WriteFile(m + "xml-backup.bat",
                  "@echo off\r\ncopy \"" + WinePath(SAMPLE_DUMP) + "\" full-backup.xml\r\n");
        WriteFile(new_ + "\\update_scripts\\update_1.sql", "ALTER TABLE app ADD note TEXT;\r\n");
        WriteFile(new_ + "\\xml-backup.bat", "@echo off\r\necho newer dump script\r\n");
        database_ = std::make_unique<NamedService>("Mysql", dir_.Windows("mysql.log"), true);
    }

    // Runs the Updater from the new installation as an installer would: -1 when it did not end in time,
    // -2 when it could not be started.
    int RunUpdater(const std::string& extra = "") {
        tomcat_ = std::make_unique<NamedService>("tomcat9", dir_.Windows("tomcat.log"), true);
        EXPECT_TRUE(tomcat_->Ready());
        EXPECT_TRUE(database_ && database_->Ready());
        std::wstring command =
            win::Wide("\"" + new_ + "\\Updater.exe\" \"" + old_ + "\" \"" + new_ + "\"" + extra);
        STARTUPINFOW si{};
        si.cb = sizeof si;
        PROCESS_INFORMATION pi{};
        if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                            win::Wide(new_).c_str(), &si, &pi))
            return -2;
        win::unique_handle thread(pi.hThread);
        win::unique_handle process(pi.hProcess);
        DWORD code = static_cast<DWORD>(-1);
        if (WaitForSingleObject(process.get(), UpdaterLimitMs) == WAIT_OBJECT_0)
            GetExitCodeProcess(process.get(), &code);
        else
            TerminateProcess(process.get(), 3);
        return static_cast<int>(code);
    }

    std::string Backup() const { return new_ + "\\backup"; }
    std::string Marker() const { return dir_.Windows("uninstalled.txt"); }
    std::string Log() const { return ReadFile(Backup() + "\\Updater.log"); }

    // The configuration copies, the log and one archive of the old tree without its backup folder.
    void ExpectBackupFolder() {
        for (const char* name :
             {"servers.properties", "context.xml", ".keystore", "maps\\floor1.png", "Updater.log"})
            EXPECT_TRUE(Exists(Backup() + "\\" + name)) << name;
        const std::string tested = ArchiveTested();
        EXPECT_NE(tested.find("No errors detected"), std::string::npos) << tested;
        EXPECT_NE(tested.find("testing: \\tomcat\\.keystore "), std::string::npos) << tested;
        EXPECT_NE(tested.find("testing: \\unins000.exe "), std::string::npos) << tested;
        EXPECT_NE(tested.find("\\images\\maps\\ "), std::string::npos) << "folders are entries of their own";
        EXPECT_EQ(tested.find("previous-upgrade.log"), std::string::npos)
            << "the old backup folder is left out";
    }

    // unzip's test of the one archive in the backup folder.
    std::string ArchiveTested() {
        const std::vector<std::string> archives = ZipFilesIn(Backup());
        EXPECT_EQ(archives.size(), 1u);
        return archives.empty() ? "" : UnzipTest(Backup() + "\\" + archives[0]);
    }

    // A run that stopped before the uninstall, for the reason given: the previous version is whole.
    void ExpectStoppedBeforeTheUninstall(const std::string& cause) {
        const std::string log = Log();
        EXPECT_NE(log.find(cause), std::string::npos) << log;
        EXPECT_NE(log.find("Upgrade stopped"), std::string::npos) << log;
        EXPECT_FALSE(Exists(Marker())) << "the uninstaller must not run";
        EXPECT_TRUE(Exists(old_ + "\\pgsql\\data\\PG_VERSION"));
        EXPECT_TRUE(Exists(webapp_ + "\\WEB-INF\\db.properties"));
    }

    // The uninstaller ran silently in the install location, and only the three folders went with it.
    void ExpectUninstalled() {
        const std::string marker = ReadFile(Marker());
        ASSERT_FALSE(marker.empty()) << "the uninstaller never ran";
        EXPECT_EQ(marker.substr(0, marker.find('\n')), old_);
        EXPECT_NE(marker.find("\n/VERYSILENT"), std::string::npos) << marker;
        EXPECT_FALSE(FolderExists(old_ + "\\pgsql"));
        EXPECT_FALSE(FolderExists(old_ + "\\mysql5"));
        EXPECT_FALSE(FolderExists(old_ + "\\tomcat\\webapps"));
        EXPECT_TRUE(Exists(old_ + "\\tomcat\\.keystore"));
        EXPECT_EQ(GetDword(HeapBackupKey, "JvmMx_backup"), std::optional<DWORD>(1024));
        EXPECT_EQ(tomcat_->State(), static_cast<DWORD>(SERVICE_STOPPED));
    }

    winetest::TempDir dir_;
    std::string old_ = dir_.Windows("old");
    std::string new_ = dir_.Windows("new");
    std::string webapp_;
    std::string uninstallName_;
    std::unique_ptr<NamedService> database_;
    std::unique_ptr<NamedService> tomcat_;
};

TEST_F(UpgradeOnWine, PostgresFastUpgradeMovesTheDataFolderIntoTheBackupAndUninstalls) {
    ASSERT_NO_FATAL_FAILURE(LayOut(Database::PostgresFast, false,
                                   "@echo off\r\necho the fast upgrade never dumps> full-backup.sql\r\n"));

    ASSERT_EQ(RunUpdater(), 0) << Log();

    EXPECT_EQ(ReadFile(Backup() + "\\data\\PG_VERSION"), "14\r\n");
    EXPECT_EQ(ReadFile(Backup() + "\\data\\base\\1\\1259"), "relation");
    EXPECT_FALSE(Exists(Backup() + "\\full-backup.sql"));
    ExpectBackupFolder();
    EXPECT_NE(ArchiveTested().find("testing: \\pgsql\\data\\PG_VERSION "), std::string::npos)
        << "archived before it moved";
    ExpectUninstalled();
    EXPECT_EQ(database_->State(), static_cast<DWORD>(SERVICE_STOPPED));
    EXPECT_NE(Log().find("Will use fast Postgres update"), std::string::npos);
}

TEST_F(UpgradeOnWine, PostgresDumpUpgradeSavesTheDumpArchivesTheOldTreeAndUninstalls) {
    ASSERT_NO_FATAL_FAILURE(LayOut(
        Database::PostgresDump, false,
        "@echo off\r\necho Dumping the PostgreSQL database\r\n"
        "echo -- sample dump> full-backup.sql\r\necho CREATE TABLE app (id int);>> full-backup.sql\r\n"));

    ASSERT_EQ(RunUpdater(), 0) << Log();

    const std::string dump = ReadFile(Backup() + "\\full-backup.sql");
    EXPECT_NE(dump.find("CREATE TABLE app (id int);"), std::string::npos) << dump;
    ExpectBackupFolder();
    ExpectUninstalled();
    EXPECT_EQ(database_->State(), static_cast<DWORD>(SERVICE_STOPPED))
        << "started for the dump, then stopped";
    const std::string log = Log();
    EXPECT_NE(log.find("Dumping the PostgreSQL database"), std::string::npos) << "script output is logged";
    EXPECT_NE(log.find("Will extract database dump"), std::string::npos);
}

TEST_F(UpgradeOnWine, MySqlUpgradeConvertsTheXmlDumpArchivesTheOldTreeAndUninstalls) {
    ASSERT_NO_FATAL_FAILURE(LayOut(Database::MySql, true, ""));

    ASSERT_EQ(RunUpdater(" -tf"), 0) << Log();

    const std::string script = ReadFile(Backup() + "\\full-backup.sql");
    EXPECT_NE(script.find("'O''Brien & Sons'"), std::string::npos) << script;
    EXPECT_FALSE(Exists(Backup() + "\\full-backup.xml")) << "the XML dump goes once it is converted";
    ExpectBackupFolder();
    ExpectUninstalled();
    const std::string log = Log();
    EXPECT_NE(ReadFile(UpdateListing()).find("update_1.sql"), std::string::npos)
        << "the update scripts were copied next to the upgrade script";
    EXPECT_NE(log.find("Upgrading the MySQL database"), std::string::npos) << "script output is logged:\n"
                                                                           << log;
    EXPECT_NE(log.find("Start Tallyfix upgrade"), std::string::npos);
}

// A few of the ways an upgrade can fail, on Windows itself: each run ends with exit code 1 before the
// uninstaller and leaves the previous version, and what an earlier run saved, as they were.
const std::string GoodDump = "@echo off\r\necho CREATE TABLE app (id int);> full-backup.sql\r\n";

TEST_F(UpgradeOnWine, DumpScriptThatWritesNothingStopsWithExitOneAndLeavesTheOldVersion) {
    ASSERT_NO_FATAL_FAILURE(
        LayOut(Database::PostgresDump, false, "@echo off\r\necho the database could not be dumped\r\n"));

    ASSERT_EQ(RunUpdater(), 1) << Log();

    ExpectStoppedBeforeTheUninstall("EUpgradeError: Database dump not written");
    EXPECT_FALSE(Exists(Backup() + "\\full-backup.sql"));
    EXPECT_FALSE(GetDword(HeapBackupKey, "JvmMx_backup").has_value());
}

TEST_F(UpgradeOnWine, AnEmptyDumpStopsTheRunAndKeepsTheDumpOfAnEarlierRun) {
    ASSERT_NO_FATAL_FAILURE(
        LayOut(Database::PostgresDump, false, "@echo off\r\ntype nul > full-backup.sql\r\n"));
    WriteFile(Backup() + "\\full-backup.sql", "-- earlier dump\r\n");

    ASSERT_EQ(RunUpdater(), 1) << Log();

    ExpectStoppedBeforeTheUninstall("EUpgradeError: Database dump not written");
    EXPECT_EQ(ReadFile(Backup() + "\\full-backup.sql"), "-- earlier dump\r\n");
    EXPECT_FALSE(GetDword(HeapBackupKey, "JvmMx_backup").has_value());
}

TEST_F(UpgradeOnWine, AnArchiveThatMeetsAFileHeldOpenForWritingStopsTheRun) {
    ASSERT_NO_FATAL_FAILURE(LayOut(Database::PostgresDump, false, GoodDump));
    win::unique_handle writer(CreateFileW(win::Wide(old_ + "\\tomcat\\.keystore").c_str(), GENERIC_WRITE,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                                          nullptr));
    ASSERT_TRUE(writer);

    ASSERT_EQ(RunUpdater(), 1) << Log();

    ExpectStoppedBeforeTheUninstall("EZipError: Cannot open file");
    EXPECT_NE(ReadFile(Backup() + "\\full-backup.sql").find("CREATE TABLE app"), std::string::npos)
        << "the dump was saved before the archive";
    EXPECT_FALSE(GetDword(HeapBackupKey, "JvmMx_backup").has_value());
}

TEST_F(UpgradeOnWine, AMissingUninstallerStopsTheRunWithTheDataSavedAndNothingDeleted) {
    ASSERT_NO_FATAL_FAILURE(LayOut(Database::PostgresDump, false, GoodDump));
    ASSERT_TRUE(plat::Files().DeleteFile(old_ + "\\unins000.exe"));

    ASSERT_EQ(RunUpdater(), 1) << Log();

    ExpectStoppedBeforeTheUninstall("EUpgradeError: The uninstaller could not be run");
    EXPECT_NE(ReadFile(Backup() + "\\full-backup.sql").find("CREATE TABLE app"), std::string::npos);
    EXPECT_EQ(GetDword(HeapBackupKey, "JvmMx_backup"), std::optional<DWORD>(1024))
        << "saved before the uninstall";
    EXPECT_NE(ArchiveTested().find("No errors detected"), std::string::npos);
}

// The whole upgrade again and again: the program must end with its exit code every time, never with a
// crash after its work is done (the worker still handing off to the window thread as the process ends).
class RepeatedUpgradeOnWine : public UpgradeOnWine, public ::testing::WithParamInterface<int> {};

TEST_P(RepeatedUpgradeOnWine, EveryRunEndsWithExitCodeZeroAfterTheUninstall) {
    ASSERT_NO_FATAL_FAILURE(LayOut(Database::PostgresDump, false, GoodDump));

    ASSERT_EQ(RunUpdater(), 0) << "run " << GetParam() << "\n" << Log();

    EXPECT_FALSE(ReadFile(Marker()).empty()) << "the uninstaller ran";
}

INSTANTIATE_TEST_SUITE_P(FiveRuns, RepeatedUpgradeOnWine, ::testing::Range(1, 6));

} // namespace
