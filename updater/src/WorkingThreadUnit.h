#pragma once
// TWorkingThread, the Updater's background worker: four steps in the order of the scenario, each
// announced on the window before it starts, then the end of the window.
#include "Errors.h"
#include "ui/Threads.h"

#include <string>

class TMainForm;

// A step found that the upgrade cannot safely go on (the database was not saved).
class EUpgradeError : public EBaseError {
public:
    using EBaseError::EBaseError;
    const char* ClassName() const noexcept override { return "EUpgradeError"; }
};

class TWorkingThread : public ui::TThread {
public:
    // Created suspended; frees itself when Execute returns.
    TWorkingThread(bool IsPostgres, bool FastPostgresUpdate);

    int CurrentStep;
    bool EnableFastPostgresUpdate;
    bool IsPostgresInstallation;
    std::string DestDir;
    std::string SourceDir;
    // The window to mark steps on; touched only on the window thread.
    TMainForm* Form = nullptr;

    // The steps and service operations, public so that each can be run on its own.
    void CheckServices();
    void ExtractDatabase();
    void SavePostgresData();
    void ExtractMySQLDatabase();
    void ConvertMySQLDatabase();
    void BackupOldCorvane();
    void UninstallOldVersion();
    static void StopMySQLService();
    static void StopPostgresService();
    static void StartMySQLService();
    static void StartPostgresService();
    static void StopTomcatServices();
    // Runs a script through the system's command interpreter in the script's folder, logging its
    // output as it arrives.
    static void RunScript(const std::string& AScriptPath, const std::string& AWorkingDir);
    // Raises EUpgradeError unless the scenario's copy of the database is in the backup folder: the
    // data folder (fast upgrade) or full-backup.sql (the dump and the MySQL upgrade).
    void EnsureDatabaseSaved() const;

protected:
    void Execute() override;

private:
    void RunSteps();
    void ShowStep();
    std::string PostgresSqlDir() const;
    std::string MySqlDir() const;
};
