// Every way an upgrade can fail, tried on the whole program: the Updater over the simulated service
// manager and registry and the real file system, on a previous installation with its uninstall key and
// an uninstaller stand-in. Each row lays one fault in and states how the run ends; every row checks the
// promise: a run that cannot save the old data stops with exit code 1 before anything is uninstalled or
// deleted, the old installation is whole, and what an earlier run saved in the backup folder is kept.
#include "CommandLine.h"
#include "RelocatedFiles.h"
#include "UpdaterProgram.h"
#include "old_installation.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>

namespace {

namespace fs = std::filesystem;
using testing_support::LogMessages;
using testing_support::OldDatabase;
using testing_support::OldInstallation;
using testing_support::SimSystemDir;
using testing_support::SimWindows;
using testing_support::TempTree;

const std::string UpgradeStopped =
    "Upgrade stopped: the previous version was not uninstalled and its folders were not deleted";

std::string Slashed(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// One operation of the file system refused for paths that contain a text, with the system's error, as
// a full disk, a lock or a folder without rights refuse them.
struct Refusal {
    std::string Operation; // "Create" (opened for writing), "Write", "Move", "Copy" or "List"
    std::string PathPart;  // with forward slashes
    uint32_t Error = 0;

    bool Applies(const char* operation, const std::string& path, const std::string& other = "") const {
        const bool hit = Operation == operation && (Slashed(path).find(PathPart) != std::string::npos ||
                                                    Slashed(other).find(PathPart) != std::string::npos);
        if (hit) {
            plat::SetLastError(Error);
        }
        return hit;
    }
};

// A file whose every write fails.
class RefusingFile : public plat::IFile {
public:
    RefusingFile(std::unique_ptr<plat::IFile> real, uint32_t error) : real_(std::move(real)), error_(error) {}
    bool Read(void* buffer, size_t size, size_t& got) override { return real_->Read(buffer, size, got); }
    bool Write(const void*, size_t) override {
        plat::SetLastError(error_);
        return false;
    }
    bool Seek(uint64_t position) override { return real_->Seek(position); }
    uint64_t Position() override { return real_->Position(); }
    uint64_t Size() override { return real_->Size(); }
    bool Truncate() override { return real_->Truncate(); }
    bool Flush() override { return real_->Flush(); }

private:
    std::unique_ptr<plat::IFile> real_;
    uint32_t error_;
};

// The real file system, seen from the program in the new installation, with a row's refusal in it.
class RefusingFiles : public testsupport::RelocatedFiles {
public:
    using RelocatedFiles::RelocatedFiles;
    Refusal Refuse;

    std::unique_ptr<plat::IFile> Open(const std::string& path, plat::OpenMode mode) override {
        const bool writing = mode != plat::OpenMode::Read && mode != plat::OpenMode::ReadDenyWrite;
        if (writing && Refuse.Applies("Create", path)) {
            return nullptr;
        }
        auto file = Real().Open(path, mode);
        if (file && Refuse.Operation == "Write" && Refuse.Applies("Write", path)) {
            return std::make_unique<RefusingFile>(std::move(file), Refuse.Error);
        }
        return file;
    }
    bool MoveFile(const std::string& from, const std::string& to, bool replace) override {
        return !Refuse.Applies("Move", from, to) && Real().MoveFile(from, to, replace);
    }
    bool CopyFile(const std::string& from, const std::string& to, bool failIfExists) override {
        return !Refuse.Applies("Copy", from, to) && Real().CopyFile(from, to, failIfExists);
    }
    bool FindFiles(const std::string& mask, std::vector<plat::FindEntry>& entries) override {
        return !Refuse.Applies("List", mask) && Real().FindFiles(mask, entries);
    }
};

// The simulated registry, refusing to create the keys whose path contains a text.
class RefusingRegistry : public plat::IRegistry {
public:
    explicit RefusingRegistry(std::shared_ptr<plat::IRegistry> real) : real_(std::move(real)) {}
    std::string RefuseKey;

    long OpenKey(plat::RootKey root, const std::string& subKey, uint32_t access, plat::Handle& key) override {
        return real_->OpenKey(root, subKey, access, key);
    }
    long CreateKey(plat::RootKey root, const std::string& subKey, uint32_t access,
                   plat::Handle& key) override {
        const bool refused = !RefuseKey.empty() && subKey.find(RefuseKey) != std::string::npos;
        return refused ? 5 : real_->CreateKey(root, subKey, access, key);
    }
    long QueryValue(plat::Handle key, const std::string& name, uint32_t& type,
                    std::vector<uint8_t>& data) override {
        return real_->QueryValue(key, name, type, data);
    }
    long SetValue(plat::Handle key, const std::string& name, uint32_t type,
                  const std::vector<uint8_t>& data) override {
        return real_->SetValue(key, name, type, data);
    }
    long DeleteValue(plat::Handle key, const std::string& name) override {
        return real_->DeleteValue(key, name);
    }
    long CloseKey(plat::Handle key) override { return real_->CloseKey(key); }

private:
    std::shared_ptr<plat::IRegistry> real_;
};

// Every file and folder below a folder (or the file itself), with the bytes of each file.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
    std::map<std::string, std::string> entries;
    if (fs::is_regular_file(root)) {
        entries[""] = testsupport::ReadFile(root.string());
    }
    if (!fs::is_directory(root)) {
        return entries;
    }
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).generic_string();
        if (name.rfind("Updater", 0) != 0) {
            entries[name] = entry.is_directory() ? "<folder>" : testsupport::ReadFile(entry.path().string());
        }
    }
    return entries;
}

plat::ServiceStatus Status(uint32_t state, uint32_t checkPoint = 0) {
    return {0x10, state, 0, 0, 0, checkPoint, 1000, 0}; // a service of its own process
}

// What the backup folder holds after the run: only what earlier runs saved there, or this run's dump in
// place of theirs.
enum class Saved { Earlier, New };

class UpgradeFailure;

struct FailureRow {
    const char* Name;
    OldDatabase Database;
    std::function<void(UpgradeFailure&)> Fault;
    int ExitCode;
    std::vector<std::string> Said; // texts of the log, or of the message box, that name the cause
    Saved Backup = Saved::Earlier;
    bool HeapSaved = false; // "JvmMx_backup" written
    bool Uninstalls = false;
    bool XmlKept = false; // full-backup.xml left in the backup folder for another try
};

void PrintTo(const FailureRow& row, std::ostream* os) {
    *os << row.Name;
}

class UpgradeFailure : public ::testing::TestWithParam<FailureRow> {
public:
    SimWindows sim;
    TempTree tree;
    OldInstallation old{tree, GetParam().Database};
    std::shared_ptr<RefusingFiles> files =
        std::make_shared<RefusingFiles>(plat::Current().Files, old.Program());
    std::shared_ptr<RefusingRegistry> registry = std::make_shared<RefusingRegistry>(sim.Registry);
    std::optional<std::string> installLocation = old.Old();
    std::string registryChanges; // .reg text applied over the installation's values
    std::string systemDir = std::string(TK_SOURCE_DIR) + "/common/platform/sim/system32";
    std::unique_ptr<plat::IFile> heldOpen;

    void Services(const plat::sim::SimService& service) { sim.Services->AddService(service); }
    void Remove(const std::string& relative) { fs::remove_all(tree.Root / relative); }

protected:
    void SetUp() override {
        old.AddServices(*sim.Services);
        if (GetParam().Database == OldDatabase::PostgresFast) {
            tree.Write("new/backup/data/PG_VERSION", "earlier\n");
        } else {
            tree.Write("new/backup/full-backup.sql", "-- earlier dump\n");
        }
    }
    void TearDown() override { SetCommandLineParams({}); }

    int Run() {
        EXPECT_TRUE(sim.Registry->Import(old.Registry(installLocation)));
        if (!registryChanges.empty()) {
            EXPECT_TRUE(
                sim.Registry->Import("Windows Registry Editor Version 5.00\r\n\r\n" + registryChanges));
        }
        plat::Platform parts;
        parts.Files = files;
        parts.Registry = registry;
        plat::ScopedOverride faulty(parts);
        SimSystemDir system(systemDir);
        testing::internal::CaptureStdout();
        const int code = RunUpdater({"Updater", old.Old(), old.New()});
        testing::internal::GetCapturedStdout();
        return code;
    }

    // The log's lines and the texts of the message boxes.
    std::vector<std::string> Said() const {
        std::vector<std::string> said = LogMessages(tree.Read("new/backup/Updater.log"));
        for (const auto& box : sim.Dialogs->Shown()) {
            said.push_back(box.Text);
        }
        return said;
    }

    // Every file and folder of before is still there with the same content; added ones may be.
    void ExpectUnchanged(const std::string& folder, const std::map<std::string, std::string>& before,
                         const std::string& except = "") {
        const auto after = Snapshot(tree.Root / folder);
        for (const auto& [name, content] : before) {
            const auto it = after.find(name);
            EXPECT_TRUE(name == except || (it != after.end() && it->second == content))
                << folder << "/" << name << " changed or gone";
        }
    }
};

TEST_P(UpgradeFailure, EndsAsTheRowSaysAndKeepsThePromise) {
    const FailureRow& row = GetParam();
    row.Fault(*this);
    const auto oldBefore = Snapshot(tree.Root / "old");
    const auto backupBefore = Snapshot(tree.Root / "new/backup");

    EXPECT_EQ(Run(), row.ExitCode);

    const std::vector<std::string> said = Said();
    for (const std::string& cause : row.Said) {
        EXPECT_TRUE(
            std::any_of(said.begin(), said.end(),
                        [&](const std::string& line) { return line.find(cause) != std::string::npos; }))
            << "nothing said \"" << cause << "\"";
    }
    if (row.ExitCode == ExitUpgradeFailed) {
        EXPECT_TRUE(!sim.Dialogs->Shown().empty() || (!said.empty() && said.back() == UpgradeStopped))
            << "a stopped run says so last";
    }
    EXPECT_EQ(old.Uninstalled(), row.Uninstalls) << old.UninstallerCall();
    if (!row.Uninstalls) {
        ExpectUnchanged("old", oldBefore);
    }
    if (row.Backup == Saved::New) {
        ExpectUnchanged("new/backup", backupBefore, "full-backup.sql");
        const std::string dump = tree.Read("new/backup/full-backup.sql");
        EXPECT_TRUE(row.Database == OldDatabase::MySql ? dump.ends_with("COMMIT;\r\n")
                                                       : dump == "-- new dump\n")
            << dump;
    } else {
        ExpectUnchanged("new/backup", backupBefore);
    }
    EXPECT_EQ(sim.Registry->Export().find("\"JvmMx_backup\"=dword:00000400") != std::string::npos,
              row.HeapSaved);
    if (row.Database == OldDatabase::MySql) {
        EXPECT_EQ(tree.Exists("new/backup/full-backup.xml"), row.XmlKept);
    }
}

// A service that is asked to stop but stays on its way down: its checkpoint goes back, which ends the
// wait, and it never reports stopped.
plat::sim::SimService StuckStopping(const std::string& name) {
    plat::sim::SimService service = OldInstallation::Service(name, plat::SERVICE_RUNNING_);
    service.StopScript.push_back(Status(plat::SERVICE_STOP_PENDING_, 2));
    for (int i = 0; i < 100; ++i) {
        service.StopScript.push_back(Status(plat::SERVICE_STOP_PENDING_, 1));
    }
    return service;
}

// A service whose start ends stopped.
plat::sim::SimService NeverStarting(const std::string& name) {
    plat::sim::SimService service = OldInstallation::Service(name, plat::SERVICE_STOPPED_);
    service.StartScript.push_back(Status(plat::SERVICE_STOPPED_));
    return service;
}

constexpr int Failed = ExitUpgradeFailed;
constexpr int Done = ExitUpgradeDone;
const std::string Sample = std::string(TK_SOURCE_DIR) + "/tests/data/sample-dump.xml";
const std::string NotConverted = "EUpgradeError: The MySQL database was not converted";
const std::string DumpNotWritten = "EUpgradeError: Database dump not written";
const std::string NoLocation = "EUpgradeError: No usable install location of the previous version";

// A value of the uninstall key, as .reg text.
std::string UninstallValue(const std::string& value) {
    return "[" + std::string(OldInstallation::UninstallKey) + "]\r\n" + value + "\r\n";
}

// One row a line or a few: name, installation, fault, exit code, what the program said, what the backup
// folder holds, whether the heap was saved, the uninstaller ran and the XML dump is kept.
// clang-format off
const FailureRow Rows[] = {
    // The MySQL upgrade: the installation is archived first, then dumped to XML and converted.
    {"TruncatedXmlDump", OldDatabase::MySql,
     [](UpgradeFailure& f) { f.old.XmlBackupScript("head -c 500 '" + Sample + "' > full-backup.xml\n"); },
     Failed, {"EDataConverterError: There are unclosed elements", NotConverted},
     Saved::Earlier, false, false, true},
    {"ControlCharacterInTheXmlDump", OldDatabase::MySql,
     [](UpgradeFailure& f) {
         f.tree.Write("bad.xml", "<?xml version=\"1.0\"?>\n<mysqldump><database name=\"c\">\n"
                                 "<table_data name=\"app\"><row><field name=\"id\">1\x01</field></row>"
                                 "</table_data></database></mysqldump>\n");
         f.old.XmlBackupScript("cp '" + f.tree.Path("bad.xml") + "' full-backup.xml\n");
     },
     Failed, {"The character \"0x0001\" cannot occur in text", NotConverted},
     Saved::Earlier, false, false, true},
    {"ConvertedScriptCannotBeWritten", OldDatabase::MySql,
     [](UpgradeFailure& f) { f.files->Refuse = {"Create", "backup/full-backup.sql", 5}; },
     Failed, {NotConverted}, Saved::Earlier, false, false, true},
    {"ConvertedScriptCannotTakeThePlaceOfTheEarlierOne", OldDatabase::MySql,
     [](UpgradeFailure& f) { f.files->Refuse = {"Move", "backup/full-backup.sql", 32}; },
     Failed, {"EUpgradeError: The converted script could not be moved"}, Saved::Earlier, false, false, true},
    {"MySqlServiceDoesNotStart", OldDatabase::MySql,
     [](UpgradeFailure& f) { f.Services(NeverStarting("Mysql")); },
     Failed, {"Starting MySQL service", "EUpgradeError: The MySQL service did not start"}},
    {"XmlBackupWritesNothing", OldDatabase::MySql,
     [](UpgradeFailure& f) { f.old.XmlBackupScript("echo mysqldump: cannot connect\n"); },
     Failed, {"mysqldump: cannot connect", "EFOpenError: ", NotConverted}},
    {"UpdateScriptsCannotBeCopied", OldDatabase::MySql,
     [](UpgradeFailure& f) { f.files->Refuse = {"Copy", "sql/mysql/update_1.sql", 5}; },
     Failed, {"EOSError: Cannot copy \"update_1.sql\""}},
    // The installation's scripts are not judged by their exit codes: their output in the log says how
    // they did.
    {"CustomUpgradeScriptEndsWithAnError", OldDatabase::MySql,
     [](UpgradeFailure& f) {
         f.old.MySqlScript("upgrade_custom_db.bat", "echo custom upgrade failed\nexit 1\n");
     },
     Done, {"Upgrading the MySQL database", "Custom upgrade script found", "custom upgrade failed"},
     Saved::New, true, true},
    {"ArchivedFileHeldOpenByAWriter", OldDatabase::MySql,
     [](UpgradeFailure& f) {
         f.heldOpen =
             plat::Files().Open(f.tree.Path("old/tomcat/conf/server.xml"), plat::OpenMode::OpenExisting);
     },
     Failed, {"EZipError: Cannot open file", "server.xml"}},

    // The PostgreSQL dump upgrade: dumped first, then archived.
    {"DumpScriptCannotStart", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.systemDir = f.tree.Path("no-interpreter"); }, Failed, {DumpNotWritten}},
    {"DumpScriptEndsWithAnError", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.old.DumpScript("echo 'pg_dump: connection refused'\nexit 2\n"); },
     Failed, {"pg_dump: connection refused", DumpNotWritten}},
    {"DumpScriptWritesNothing", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.old.DumpScript("echo dumped\n"); }, Failed, {DumpNotWritten}},
    {"EmptyDump", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.old.DumpScript(": > full-backup.sql\n"); }, Failed, {DumpNotWritten}},
    {"DumpIsAFolder", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.old.DumpScript("mkdir full-backup.sql\n"); }, Failed, {DumpNotWritten}},
    {"PostgresServiceDoesNotStart", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.Services(NeverStarting("pgsql")); },
     Failed, {"Starting PostgreSQL service", "EUpgradeError: The PostgreSQL service did not start"}},
    {"DumpTargetLocked", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.files->Refuse = {"Move", "backup/full-backup.sql", 32}; },
     Failed, {"EUpgradeError: Database dump not moved", "being used by another process"}},
    {"DumpTargetIsAFolder", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) {
         f.Remove("new/backup/full-backup.sql");
         f.tree.Write("new/backup/full-backup.sql/note.txt", "a folder in the way");
     },
     Failed, {"EUpgradeError: Database dump not moved"}},
    {"ArchivedFolderCannotBeListed", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.files->Refuse = {"List", "old/tomcat/conf/*", 5}; },
     Failed, {"EOSError: Cannot list the folder"}, Saved::New},
    {"DiskFullWhileArchiving", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.files->Refuse = {"Write", ".zip", 112}; },
     Failed, {"There is not enough space on the disk"}, Saved::New},
    {"WebServerNeverStops", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.Services(StuckStopping("tomcat9")); },
     Failed, {"EUpgradeError: The service tomcat9 did not stop"}, Saved::New},

    // The PostgreSQL fast upgrade: archived first, then the data folder moved.
    {"DatabaseNeverStops", OldDatabase::PostgresFast,
     [](UpgradeFailure& f) { f.Services(StuckStopping("pgsql")); },
     Failed, {"EUpgradeError: The service pgsql did not stop"}},
    {"DataFolderCannotBeMoved", OldDatabase::PostgresFast,
     [](UpgradeFailure& f) { f.files->Refuse = {"Move", "old/pgsql/data", 5}; },
     Failed, {"EUpgradeError: Database not saved"}},
    {"SecondRunAfterTheDataWasMoved", OldDatabase::PostgresFast,
     [](UpgradeFailure& f) { f.Remove("old/pgsql/data"); },
     Done, {"Uninstall string - "}, Saved::Earlier, true, true},

    // The last step: the heap value, then the uninstaller in the install location.
    {"NoInstallLocation", OldDatabase::PostgresDump, [](UpgradeFailure& f) { f.installLocation.reset(); },
     Failed, {NoLocation}, Saved::New, true},
    {"EmptyInstallLocation", OldDatabase::PostgresDump, [](UpgradeFailure& f) { f.installLocation = ""; },
     Failed, {NoLocation}, Saved::New, true},
    {"DriveRootInstallLocation", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.installLocation = "C:\\"; },
     Failed, {NoLocation}, Saved::New, true},
    {"RelativeInstallLocation", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.installLocation = "old"; },
     Failed, {NoLocation}, Saved::New, true},
    {"InstallLocationThatDoesNotExist", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.installLocation = f.old.Old() + "/gone"; },
     Failed, {NoLocation}, Saved::New, true},
    {"UninstallerMissing", OldDatabase::PostgresDump, [](UpgradeFailure& f) { f.Remove("old/unins000.exe"); },
     Failed, {"EUpgradeError: The uninstaller could not be run", "The system cannot find the file specified"},
     Saved::New, true},
    {"UninstallerCannotStart", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { fs::permissions(f.tree.Root / "old/unins000.exe", fs::perms::owner_read); },
     Failed, {"EUpgradeError: The uninstaller could not be run", "Access is denied"}, Saved::New, true},
    {"UninstallStringOfTheWrongType", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.registryChanges = UninstallValue("\"UninstallString\"=hex(2):41,00,00,00"); },
     Failed, {"ERegistryException: Invalid data type for 'UninstallString'"}, Saved::New, true},
    {"InstallLocationOfTheWrongType", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.registryChanges = UninstallValue("\"InstallLocation\"=dword:00000001"); },
     Failed, {"ERegistryException: Invalid data type for 'InstallLocation'"}, Saved::New, true},
    {"HeapOfTheWrongType", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) {
         f.registryChanges = "[" + std::string(OldInstallation::TomcatJavaKey) + "]\r\n\"JvmMx\"=\"512\"\r\n";
     },
     Done, {"Uninstall string - "}, Saved::New, false, true},
    {"HeapBackupCannotBeWritten", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.registry->RefuseKey = "Corvane Inc"; },
     Failed, {"ERegistryException: Failed to set data for 'JvmMx_backup'"}, Saved::New},

    // The set-up, before any step.
    {"DisplayNameOfTheWrongType", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) { f.registryChanges = UninstallValue("\"DisplayName\"=hex(2):41,00,00,00"); },
     Failed, {"Invalid data type for 'DisplayName'"}},
    {"LogCannotBeOpened", OldDatabase::PostgresDump,
     [](UpgradeFailure& f) {
         f.Remove("new/backup");
         f.tree.Write("new/backup", "a file where the backup folder goes");
     },
     Failed, {"Cannot open log file"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(EveryWay, UpgradeFailure, ::testing::ValuesIn(Rows),
                         [](const ::testing::TestParamInfo<FailureRow>& info) {
                             return std::string(info.param.Name);
                         });

} // namespace
