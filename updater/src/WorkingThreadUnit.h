#pragma once
// TWorkingThread, the Updater's background worker: four steps in the order of the scenario, each
// announced on the window before it starts, then the end of the window.
#include "UpgradeError.h"
#include "ui/Threads.h"

#include <string>

class TMainForm;

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
    // Raises EUpgradeError unless the database service runs, as its dump script needs it to.
    static void RequireRunning(const std::string& AService, const std::string& ATitle);

protected:
    void Execute() override;

private:
    void RunSteps();
    void ShowStep();
    std::string PostgresSqlDir() const;
    std::string MySqlDir() const;
};
