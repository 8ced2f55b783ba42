#include "WorkingThreadUnit.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

namespace {

using testing_support::CapturedLog;
using testing_support::SimWindows;
using Lines = std::vector<std::string>;

constexpr uint32_t Stopped = plat::SERVICE_STOPPED_;
constexpr uint32_t Running = plat::SERVICE_RUNNING_;

// One of the four database service operations, with the line it logs when it acts and the line it
// logs when the service is there already.
struct DatabaseOperation {
    const char* Name;
    void (*Run)();
    const char* Service;
    uint32_t Target;
    const char* Acting;
    const char* Already;
};

class DatabaseServiceTest : public ::testing::TestWithParam<DatabaseOperation> {};

TEST_P(DatabaseServiceTest, ActsOnlyWhenTheServiceIsNotThereYetAndLogsWhichItDid) {
    const DatabaseOperation& op = GetParam();
    const std::string other = op.Service == std::string("pgsql") ? "Mysql" : "pgsql";
    for (uint32_t before : {Stopped, Running}) {
        SimWindows sim;
        CapturedLog log;
        sim.AddService(op.Service, before);
        sim.AddService(other, before);
        op.Run();
        EXPECT_EQ(log.Messages(), Lines{before == op.Target ? op.Already : op.Acting}) << before;
        EXPECT_EQ(sim.StateOf(op.Service), op.Target) << before;
        EXPECT_EQ(sim.StateOf(other), before) << "the other database is left alone";
    }
}

INSTANTIATE_TEST_SUITE_P(
    FourOperations, DatabaseServiceTest,
    ::testing::Values(DatabaseOperation{"StopMySQL", &TWorkingThread::StopMySQLService, "Mysql", Stopped,
                                        "Stopping MySQL service", "MySQL service already stopped"},
                      DatabaseOperation{"StopPostgres", &TWorkingThread::StopPostgresService, "pgsql",
                                        Stopped, "Stopping PostgreSQL service",
                                        "PostgreSQL service already stopped"},
                      DatabaseOperation{"StartMySQL", &TWorkingThread::StartMySQLService, "Mysql", Running,
                                        "Starting MySQL service", "MySQL service already started"},
                      DatabaseOperation{"StartPostgres", &TWorkingThread::StartPostgresService, "pgsql",
                                        Running, "Starting PostgreSQL service",
                                        "PostgreSQL service already started"}),
    [](const ::testing::TestParamInfo<DatabaseOperation>& info) { return std::string(info.param.Name); });

// A service on its way (pending) is neither stopped nor running: the operation is asked for.
TEST(DatabaseService, APendingServiceIsAskedToo) {
    SimWindows sim;
    CapturedLog log;
    sim.AddService("pgsql", plat::SERVICE_STOP_PENDING_);
    TWorkingThread::StartPostgresService();
    EXPECT_EQ(log.Messages(), Lines{"Starting PostgreSQL service"});
}

} // namespace
