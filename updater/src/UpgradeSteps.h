#pragma once
// The four steps of each upgrade scenario: what the worker runs, in order, and the caption the
// progress window shows for each. One table, so that the window and the worker cannot disagree.
#include <array>

class TWorkingThread;

enum class TUpgradeScenario { MySQL, PostgresFast, PostgresDump };

struct TUpgradeStep {
    const char* Caption;
    void (TWorkingThread::*Run)();
    // After this step the scenario's copy of the database must be in the backup folder.
    bool SavesDatabase;
};

using TUpgradeSteps = std::array<TUpgradeStep, 4>;

TUpgradeScenario ScenarioOf(bool IsPostgresInstallation, bool EnableFastPostgresUpdate);
const TUpgradeSteps& UpgradeSteps(TUpgradeScenario AScenario);
