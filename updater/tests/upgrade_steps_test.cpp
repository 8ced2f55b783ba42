#include "UpgradeSteps.h"
#include "WorkingThreadUnit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Lines = std::vector<std::string>;
using TRun = void (TWorkingThread::*)();

Lines Captions(TUpgradeScenario scenario) {
    Lines captions;
    for (const TUpgradeStep& step : UpgradeSteps(scenario)) {
        captions.push_back(step.Caption);
    }
    return captions;
}

TEST(UpgradeSteps, TheInspectionChoosesTheScenario) {
    EXPECT_EQ(ScenarioOf(false, false), TUpgradeScenario::MySQL);
    EXPECT_EQ(ScenarioOf(false, true), TUpgradeScenario::MySQL) << "the fast upgrade is PostgreSQL's";
    EXPECT_EQ(ScenarioOf(true, true), TUpgradeScenario::PostgresFast);
    EXPECT_EQ(ScenarioOf(true, false), TUpgradeScenario::PostgresDump);
}

TEST(UpgradeSteps, EachScenarioShowsTheCaptionsOfTheStepsItRuns) {
    EXPECT_EQ(Captions(TUpgradeScenario::MySQL),
              (Lines{"Backing up old installation", "Extracting database", "Converting database dump",
                     "Uninstalling previous version"}));
    EXPECT_EQ(Captions(TUpgradeScenario::PostgresFast),
              (Lines{"Checking services", "Backing up old installation", "Saving database",
                     "Uninstalling previous version"}));
    EXPECT_EQ(Captions(TUpgradeScenario::PostgresDump),
              (Lines{"Checking services", "Extracting database", "Backing up old installation",
                     "Uninstalling previous version"}));
}

// The check that the database was saved follows the step that saves it and no other, so nothing
// after it (the uninstall above all) runs on an installation whose data is not safe.
TEST(UpgradeSteps, TheDatabaseIsCheckedRightAfterTheStepThatSavesIt) {
    const std::pair<TUpgradeScenario, TRun> savers[] = {
        {TUpgradeScenario::MySQL, &TWorkingThread::ConvertMySQLDatabase},
        {TUpgradeScenario::PostgresFast, &TWorkingThread::SavePostgresData},
        {TUpgradeScenario::PostgresDump, &TWorkingThread::ExtractDatabase}};
    for (const auto& [scenario, saver] : savers) {
        const TUpgradeSteps& steps = UpgradeSteps(scenario);
        for (const TUpgradeStep& step : steps) {
            EXPECT_EQ(step.SavesDatabase, step.Run == saver) << step.Caption;
        }
        EXPECT_EQ(steps.back().Run, &TWorkingThread::UninstallOldVersion);
    }
}

} // namespace
