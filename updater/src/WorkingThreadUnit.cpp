#include "WorkingThreadUnit.h"

#include "BackupUnit.h"
#include "CommandLine.h"
#include "InspectionUnit.h"
#include "LoggerUnit.h"
#include "MainUnit.h"
#include "UninstallUnit.h"
#include "UpgradeSteps.h"
#include "WinUtilsUnit.h"
#include "platform/Platform.h"
#include "text/PathText.h"
#include "text/TextCodec.h"

namespace {

constexpr uint32_t FinalPauseMs = 500;
// How long a stopped upgrade keeps its last word on the screen; nobody has to confirm it, since
// installers run the Updater unattended.
constexpr uint32_t FailureNoticeMs = 5000;
constexpr const char* TomcatServices[] = {"tomcat5", "tomcat6", "tomcat7", "tomcat8", "tomcat9"};

bool IsStopped(const std::string& name) {
    return TServiceUtils::ServiceGetStatus(name) == plat::SERVICE_STOPPED_;
}

// A dump is saved when it is a file with something in it: a script that failed half-way may leave an
// empty one, and a folder of that name is no dump at all.
bool HoldsDump(const std::string& path) {
    plat::FindEntry entry;
    return plat::Files().GetAttributes(path, entry) &&
           !(entry.Attributes & plat::FILE_ATTRIBUTE_DIRECTORY_) && entry.Size > 0;
}

// The installation is archived and its data folder moved only while nothing writes to them.
void RequireStopped(const std::string& name) {
    if (!IsStopped(name)) {
        throw EUpgradeError("The service " + name + " did not stop");
    }
}

// Stops or starts one database service unless it is in that state already, and logs which it did;
// the title is the database's name as the log shows it.
void BringService(const std::string& name, const std::string& title, ServiceState wanted) {
    const bool start = wanted == plat::SERVICE_RUNNING_;
    if (TServiceUtils::ServiceGetStatus(name) == wanted) {
        TLogger::Fine(title + (start ? " service already started" : " service already stopped"));
    } else if (start) {
        TLogger::Fine("Starting " + title + " service");
        TServiceUtils::ServiceStart(name);
    } else {
        TLogger::Fine("Stopping " + title + " service");
        TServiceUtils::ServiceStop(name);
    }
}

} // namespace

TWorkingThread::TWorkingThread(bool IsPostgres, bool FastPostgresUpdate)
    : CurrentStep(1), EnableFastPostgresUpdate(FastPostgresUpdate), IsPostgresInstallation(IsPostgres) {
    FreeOnTerminate = true;
}

void TWorkingThread::Execute() {
    TMainForm* form = Form;
    try {
        RunSteps();
        Synchronize([form] { form->HideArrow(); });
        plat::Clock().Sleep(FinalPauseMs);
        Synchronize([form] { form->Finish(0); });
    } catch (const std::exception& error) {
        // The run stops here, before anything later (the uninstall above all) could act on an
        // installation whose database may not have been saved; the installer sees exit code 1.
        TLogger::Fine(DescribeException(error));
        TLogger::Fine("Upgrade stopped: the previous version was not uninstalled and its folders were not "
                      "deleted");
        const std::string log = DestDir + "\\backup\\Updater.log";
        Synchronize([form, log] { form->ShowFailure(log); });
        plat::Clock().Sleep(FailureNoticeMs);
        Synchronize([form] { form->Finish(1); });
    }
}

void TWorkingThread::RunSteps() {
    const TUpgradeSteps& steps = UpgradeSteps(ScenarioOf(IsPostgresInstallation, EnableFastPostgresUpdate));
    CurrentStep = 1;
    Synchronize([this] { ShowStep(); });
    for (size_t i = 0; i < steps.size(); ++i) {
        (this->*steps[i].Run)();
        if (steps[i].SavesDatabase) {
            EnsureDatabaseSaved();
        }
        if (i + 1 < steps.size()) {
            ++CurrentStep;
            Synchronize([this] { ShowStep(); });
        }
    }
}

void TWorkingThread::EnsureDatabaseSaved() const {
    auto& files = plat::Files();
    if (IsPostgresInstallation && EnableFastPostgresUpdate) {
        std::string target = DestDir + "\\backup\\data";
        if (!files.DirectoryExists(target) || files.DirectoryExists(SourceDir + "\\pgsql\\data\\")) {
            throw EUpgradeError("Database not saved - " + target);
        }
        return;
    }
    const std::string dump = DestDir + "\\backup\\full-backup.sql";
    if (!HoldsDump(dump)) {
        throw EUpgradeError("Database not saved - " + dump);
    }
}

void TWorkingThread::RequireRunning(const std::string& AService, const std::string& ATitle) {
    if (TServiceUtils::ServiceGetStatus(AService) != plat::SERVICE_RUNNING_) {
        throw EUpgradeError("The " + ATitle + " service did not start, so its database cannot be dumped");
    }
}

void TWorkingThread::ShowStep() {
    ui::TLabel* labels[] = {Form->Label1, Form->Label2, Form->Label3, Form->Label4};
    if (CurrentStep >= 1 && CurrentStep <= 4) {
        Form->NextStep(labels[CurrentStep - 1]);
    }
}

void TWorkingThread::StopMySQLService() {
    BringService("Mysql", "MySQL", plat::SERVICE_STOPPED_);
}

void TWorkingThread::StopPostgresService() {
    BringService("pgsql", "PostgreSQL", plat::SERVICE_STOPPED_);
}

void TWorkingThread::StartMySQLService() {
    BringService("Mysql", "MySQL", plat::SERVICE_RUNNING_);
}

void TWorkingThread::StartPostgresService() {
    BringService("pgsql", "PostgreSQL", plat::SERVICE_RUNNING_);
}

void TWorkingThread::StopTomcatServices() {
    TLogger::Fine("Stopping tomcat services");
    for (const char* service : TomcatServices) {
        if (!IsStopped(service)) {
            TServiceUtils::ServiceStop(service);
        }
    }
}

void TWorkingThread::CheckServices() {
    TLogger::Fine("Step 1: check services");
    if (EnableFastPostgresUpdate) {
        StopPostgresService();
    } else {
        StartPostgresService();
        RequireRunning("pgsql", "PostgreSQL");
    }
    StopTomcatServices();
}

void TWorkingThread::RunScript(const std::string& AScriptPath, const std::string& AWorkingDir) {
    std::string command = "\"" + TWinUtils::GetSystemDir() + "\\cmd.exe\" /c \"" + AScriptPath + "\" ";
    TWinUtils::ExecConsoleAppWithCaptureOutput(
        command, AWorkingDir.empty() ? text::FolderOf(AScriptPath) : AWorkingDir,
        [](const char* chunk) { TLogger::Fine(text::AnsiToUtf8(chunk)); });
}

std::string TWorkingThread::PostgresSqlDir() const {
    return SourceDir + "\\tomcat\\webapps\\" + GetWebAppName() + "\\WEB-INF\\sql\\postgresql";
}

void TWorkingThread::ExtractDatabase() {
    auto& files = plat::Files();
    TLogger::Fine("Step 2: extract PostgreSQL database");
    std::string dir = PostgresSqlDir();
    std::string script = dir + "\\full-backup.bat";
    TLogger::Fine("backup script path - %s", {script});
    RunScript(script, dir);
    std::string backupDir = DestDir + "\\backup";
    if (!files.DirectoryExists(backupDir)) {
        files.ForceDirectories(backupDir);
    }
    std::string dump = dir + "\\full-backup.sql";
    std::string target = backupDir + "\\full-backup.sql";
    // An old dump is the only copy of the database when an earlier run got this far: it goes only
    // when a new one takes its place, in the same move.
    if (!HoldsDump(dump)) {
        throw EUpgradeError("Database dump not written - " + dump);
    }
    const bool replacing = files.FileExists(target);
    if (!files.MoveFile(dump, target, true)) {
        throw EUpgradeError("Database dump not moved to " + target + " - " +
                            plat::Host().SysErrorMessage(plat::LastError()));
    }
    if (replacing) {
        TLogger::Fine("Old full-backup.sql deleted");
    }
}

void TWorkingThread::SavePostgresData() {
    auto& files = plat::Files();
    TLogger::Fine("Step 3: Saving PostgreSQL database data");
    uint64_t started = plat::Clock().TickCount();
    std::string source = SourceDir + "\\pgsql\\data\\";
    std::string target = DestDir + "\\backup\\data";
    // Without the source folder, an earlier run has already moved the data here: keep that copy.
    if (files.DirectoryExists(source)) {
        // An earlier copy goes only once the data is in its place; a failed move puts it back.
        const std::string earlier = target + ".earlier";
        if (files.DirectoryExists(target)) {
            DeleteDirectoryTree(earlier);
            files.MoveFile(target, earlier, false);
        }
        const bool moved = files.MoveFile(source, target, false);
        if (files.DirectoryExists(earlier)) {
            if (moved) {
                DeleteDirectoryTree(earlier);
            } else {
                files.MoveFile(earlier, target, false);
            }
        }
    }
    TLogger::Fine("Database copying time %d ms", {std::to_string(plat::Clock().TickCount() - started)});
}

void TWorkingThread::BackupOldCorvane() {
    TLogger::Fine("Backing up old installation");
    if (IsPostgresInstallation) {
        StopPostgresService();
    } else {
        StopMySQLService();
    }
    StopTomcatServices();
    RequireStopped(IsPostgresInstallation ? "pgsql" : "Mysql");
    for (const char* service : TomcatServices) {
        RequireStopped(service);
    }
    BackupConfigurationFiles(SourceDir, DestDir);
    const std::string archive = DestDir + "\\backup\\" + ArchiveFileName(plat::Clock().Now());
    if (plat::Files().DirectoryExists(SourceDir)) {
        ArchiveInstallation(SourceDir, archive);
    }
}

void TWorkingThread::UninstallOldVersion() {
    ::UninstallOldVersion(FindCmdLineSwitch("tf"));
}
