#include "UpgradeSteps.h"

#include "WorkingThreadUnit.h"

namespace {

constexpr const char* BackingUp = "Backing up old installation";
constexpr const char* Uninstalling = "Uninstalling previous version";

const TUpgradeSteps MySqlSteps{{
    {BackingUp, &TWorkingThread::BackupOldCorvane, false},
    {"Extracting database", &TWorkingThread::ExtractMySQLDatabase, false},
    {"Converting database dump", &TWorkingThread::ConvertMySQLDatabase, true},
    {Uninstalling, &TWorkingThread::UninstallOldVersion, false},
}};

// The data folder is moved only once the services are stopped and the installation archived.
const TUpgradeSteps PostgresFastSteps{{
    {"Checking services", &TWorkingThread::CheckServices, false},
    {BackingUp, &TWorkingThread::BackupOldCorvane, false},
    {"Saving database", &TWorkingThread::SavePostgresData, true},
    {Uninstalling, &TWorkingThread::UninstallOldVersion, false},
}};

const TUpgradeSteps PostgresDumpSteps{{
    {"Checking services", &TWorkingThread::CheckServices, false},
    {"Extracting database", &TWorkingThread::ExtractDatabase, true},
    {BackingUp, &TWorkingThread::BackupOldCorvane, false},
    {Uninstalling, &TWorkingThread::UninstallOldVersion, false},
}};

} // namespace

TUpgradeScenario ScenarioOf(bool IsPostgresInstallation, bool EnableFastPostgresUpdate) {
    if (!IsPostgresInstallation) {
        return TUpgradeScenario::MySQL;
    }
    return EnableFastPostgresUpdate ? TUpgradeScenario::PostgresFast : TUpgradeScenario::PostgresDump;
}

const TUpgradeSteps& UpgradeSteps(TUpgradeScenario AScenario) {
    switch (AScenario) {
    case TUpgradeScenario::MySQL:
        return MySqlSteps;
    case TUpgradeScenario::PostgresFast:
        return PostgresFastSteps;
    case TUpgradeScenario::PostgresDump:
        break;
    }
    return PostgresDumpSteps;
}
