#include "WorkingThreadUnit.h"
#include "updater_fixture.h"

#include <gtest/gtest.h>

namespace {

using testing_support::CapturedLog;
using testing_support::SimWindows;
using Lines = std::vector<std::string>;

struct DatabaseServiceCase {
    void (*Operation)();
    const char* Service;
    uint32_t Before;
    const char* Line;
    uint32_t After;
};

class DatabaseServiceTest : public ::testing::TestWithParam<DatabaseServiceCase> {
protected:
    SimWindows sim;
    CapturedLog log;
};

TEST_P(DatabaseServiceTest, ActsOnlyWhenTheServiceIsNotThereYetAndLogsWhichItDid) {
    const DatabaseServiceCase& c = GetParam();
    sim.AddService(c.Service, c.Before);
    sim.AddService(c.Service == std::string("pgsql") ? "Mysql" : "pgsql", c.Before);
    c.Operation();
    EXPECT_EQ(log.Messages(), Lines{c.Line});
    EXPECT_EQ(sim.StateOf(c.Service), c.After);
    EXPECT_EQ(sim.StateOf(c.Service == std::string("pgsql") ? "Mysql" : "pgsql"), c.Before)
        << "the other database is left alone";
}

constexpr uint32_t Stopped = plat::SERVICE_STOPPED_;
constexpr uint32_t Running = plat::SERVICE_RUNNING_;

INSTANTIATE_TEST_SUITE_P(
    FourOperations, DatabaseServiceTest,
    ::testing::Values(DatabaseServiceCase{&TWorkingThread::StopMySQLService, "Mysql", Running,
                                          "Stopping MySQL service", Stopped},
                      DatabaseServiceCase{&TWorkingThread::StopMySQLService, "Mysql", Stopped,
                                          "MySQL service already stopped", Stopped},
                      DatabaseServiceCase{&TWorkingThread::StopPostgresService, "pgsql", Running,
                                          "Stopping PostgreSQL service", Stopped},
                      DatabaseServiceCase{&TWorkingThread::StopPostgresService, "pgsql", Stopped,
                                          "PostgreSQL service already stopped", Stopped},
                      DatabaseServiceCase{&TWorkingThread::StartMySQLService, "Mysql", Stopped,
                                          "Starting MySQL service", Running},
                      DatabaseServiceCase{&TWorkingThread::StartMySQLService, "Mysql", Running,
                                          "MySQL service already started", Running},
                      DatabaseServiceCase{&TWorkingThread::StartPostgresService, "pgsql", Stopped,
                                          "Starting PostgreSQL service", Running},
                      DatabaseServiceCase{&TWorkingThread::StartPostgresService, "pgsql", Running,
                                          "PostgreSQL service already started", Running}),
    [](const ::testing::TestParamInfo<DatabaseServiceCase>& info) {
        const DatabaseServiceCase& c = info.param;
        return std::string(c.After == Running ? "Start" : "Stop") + c.Service + "When" +
               (c.Before == Running ? "Running" : "Stopped");
    });

// A service on its way (pending) is neither stopped nor running: the operation is asked for.
TEST(DatabaseService, APendingServiceIsAskedToo) {
    SimWindows sim;
    CapturedLog log;
    sim.AddService("pgsql", plat::SERVICE_STOP_PENDING_);
    TWorkingThread::StartPostgresService();
    EXPECT_EQ(log.Messages(), Lines{"Starting PostgreSQL service"});
}

} // namespace
