#include "TempDir.h"
#include "platform/sim/SimServices.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace plat;
using plat::sim::ManualClock;
using plat::sim::SimService;
using plat::sim::SimServiceManager;

namespace {

ServiceStatus Pending(uint32_t state, uint32_t checkPoint, uint32_t waitHint) {
    ServiceStatus s;
    s.CurrentState = state;
    s.CheckPoint = checkPoint;
    s.WaitHint = waitHint;
    return s;
}

SimService Tomcat(uint32_t state = SERVICE_STOPPED_) {
    SimService s;
    s.Name = "Tomcat9";
    s.DisplayName = "Apache Tomcat 9.0 Tomcat9";
    s.BinaryPathName = "C:\\tf\\tomcat\\bin\\tomcat9.exe //RS//Tomcat9";
    s.Dependencies = "pgsql";
    s.State = state;
    return s;
}

class SimServicesTest : public ::testing::Test {
protected:
    Handle Open(const std::string& name, uint32_t access) {
        scm_ = sm_.OpenSCManager("", SC_MANAGER_CONNECT_);
        return sm_.OpenService(scm_, name, access);
    }
    void TearDown() override {
        if (scm_)
            sm_.CloseServiceHandle(scm_);
    }
    uint32_t Query(Handle h) {
        ServiceStatus st;
        EXPECT_TRUE(sm_.QueryServiceStatus(h, st));
        return st.CurrentState;
    }

    SimServiceManager sm_;
    Handle scm_ = 0;
};

TEST_F(SimServicesTest, OpensServicesByNameWithoutRegardToCaseAndRefusesUnknownOnes) {
    sm_.AddService(Tomcat());
    const Handle h = Open("TOMCAT9", SERVICE_QUERY_STATUS_);
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(sm_.CloseServiceHandle(h));

    EXPECT_EQ(sm_.OpenService(scm_, "Mysql", SERVICE_QUERY_STATUS_), 0u);
    EXPECT_EQ(LastError(), ERROR_SERVICE_DOES_NOT_EXIST_);
    EXPECT_EQ(sm_.OpenService(0x77, "Tomcat9", SERVICE_QUERY_STATUS_), 0u);
    EXPECT_EQ(LastError(), ERROR_INVALID_HANDLE_);
    EXPECT_EQ(sm_.OpenSCManager("otherhost", SC_MANAGER_CONNECT_), 0u);
}

TEST_F(SimServicesTest, ChecksTheAccessRightsOfEachHandle) {
    sm_.AddService(Tomcat(SERVICE_RUNNING_));
    const Handle configOnly = Open("Tomcat9", SERVICE_QUERY_CONFIG_);
    ServiceStatus st;
    EXPECT_FALSE(sm_.QueryServiceStatus(configOnly, st));
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED_);
    EXPECT_FALSE(sm_.ControlService(configOnly, SERVICE_CONTROL_STOP_, st));
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED_);
    EXPECT_FALSE(sm_.ChangeServiceStartType(configOnly, SERVICE_AUTO_START_));
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED_);
    EXPECT_FALSE(sm_.StartService(configOnly));
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED_);
    ServiceConfig cfg;
    EXPECT_TRUE(sm_.QueryServiceConfig(configOnly, cfg));
    sm_.CloseServiceHandle(configOnly);

    const Handle statusOnly = sm_.OpenService(scm_, "Tomcat9", SERVICE_QUERY_STATUS_);
    EXPECT_FALSE(sm_.QueryServiceConfig(statusOnly, cfg));
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED_);
    EXPECT_EQ(Query(statusOnly), SERVICE_RUNNING_);
    sm_.CloseServiceHandle(statusOnly);

    // A manager opened without the lock right cannot lock the database.
    EXPECT_EQ(sm_.LockServiceDatabase(scm_), 0u);
    EXPECT_EQ(LastError(), ERROR_ACCESS_DENIED_);
}

TEST_F(SimServicesTest, RefusesStartsAndStopsThatDoNotFitTheState) {
    sm_.AddService(Tomcat(SERVICE_RUNNING_));
    const Handle h = Open("Tomcat9", SERVICE_START_ | SERVICE_STOP_ | SERVICE_QUERY_STATUS_);
    EXPECT_FALSE(sm_.StartService(h));
    EXPECT_EQ(LastError(), ERROR_SERVICE_ALREADY_RUNNING_);

    ServiceStatus st;
    EXPECT_TRUE(sm_.ControlService(h, SERVICE_CONTROL_STOP_, st));
    st = ServiceStatus{};
    EXPECT_FALSE(sm_.ControlService(h, SERVICE_CONTROL_STOP_, st));
    EXPECT_EQ(LastError(), ERROR_SERVICE_NOT_ACTIVE_);
    EXPECT_EQ(st.CurrentState, SERVICE_STOPPED_); // filled although refused

    sm_.Find("tomcat9")->StartType = SERVICE_DISABLED_;
    EXPECT_FALSE(sm_.StartService(h));
    sm_.CloseServiceHandle(h);
}

TEST_F(SimServicesTest, PlaysTheStartScriptOneStatusPerQueryAndSettlesRunning) {
    SimService s = Tomcat();
    s.StartScript = {Pending(SERVICE_START_PENDING_, 1, 30000), Pending(SERVICE_START_PENDING_, 2, 30000)};
    sm_.AddService(s);
    const Handle h = Open("Tomcat9", SERVICE_START_ | SERVICE_QUERY_STATUS_);
    ASSERT_TRUE(sm_.StartService(h));
    ServiceStatus st;
    ASSERT_TRUE(sm_.QueryServiceStatus(h, st));
    EXPECT_EQ(st.CurrentState, SERVICE_START_PENDING_);
    EXPECT_EQ(st.CheckPoint, 1u);
    EXPECT_EQ(st.WaitHint, 30000u);
    ASSERT_TRUE(sm_.QueryServiceStatusEx(h, st));
    EXPECT_EQ(st.CheckPoint, 2u);
    EXPECT_NE(st.ProcessId, 0u); // a starting service already has its process
    EXPECT_EQ(Query(h), SERVICE_RUNNING_);
    EXPECT_EQ(Query(h), SERVICE_RUNNING_);
    sm_.CloseServiceHandle(h);
}

TEST_F(SimServicesTest, AScriptThatEndsStoppedIsAFailedStartAndReplaysOnTheNextStart) {
    SimService s = Tomcat();
    s.StartScript = {Pending(SERVICE_START_PENDING_, 1, 0), Pending(SERVICE_STOPPED_, 0, 0)};
    sm_.AddService(s);
    const Handle h = Open("Tomcat9", SERVICE_START_ | SERVICE_QUERY_STATUS_);
    for (int attempt = 0; attempt < 2; ++attempt) {
        ASSERT_TRUE(sm_.StartService(h));
        EXPECT_EQ(Query(h), SERVICE_START_PENDING_);
        EXPECT_EQ(Query(h), SERVICE_STOPPED_);
        EXPECT_EQ(Query(h), SERVICE_STOPPED_);
        ServiceStatus ex;
        sm_.QueryServiceStatusEx(h, ex);
        EXPECT_EQ(ex.ProcessId, 0u);
    }
    sm_.CloseServiceHandle(h);
}

TEST_F(SimServicesTest, StopScriptRunsAfterTheStopControlAndRefusesASecondStopMeanwhile) {
    SimService s = Tomcat(SERVICE_RUNNING_);
    s.StopScript = {Pending(SERVICE_STOP_PENDING_, 1, 0), Pending(SERVICE_STOP_PENDING_, 0, 0)};
    sm_.AddService(s);
    const Handle h = Open("Tomcat9", SERVICE_STOP_ | SERVICE_QUERY_STATUS_);
    ServiceStatus st;
    ASSERT_TRUE(sm_.ControlService(h, SERVICE_CONTROL_STOP_, st));
    EXPECT_EQ(st.CurrentState, SERVICE_STOP_PENDING_);
    EXPECT_FALSE(sm_.ControlService(h, SERVICE_CONTROL_STOP_, st));
    EXPECT_EQ(LastError(), ERROR_SERVICE_CANNOT_ACCEPT_CTRL_);
    ASSERT_TRUE(sm_.QueryServiceStatus(h, st));
    EXPECT_EQ(st.CheckPoint, 1u);
    ASSERT_TRUE(sm_.QueryServiceStatus(h, st));
    EXPECT_EQ(st.CheckPoint, 0u); // a checkpoint that goes down is reported as scripted
    EXPECT_EQ(Query(h), SERVICE_STOPPED_);
    sm_.CloseServiceHandle(h);
}

TEST_F(SimServicesTest, ChangingTheStartTypeKeepsTheRestOfTheConfiguration) {
    sm_.AddService(Tomcat());
    scm_ = sm_.OpenSCManager("", SC_MANAGER_CONNECT_ | SC_MANAGER_LOCK_);
    const Handle lock = sm_.LockServiceDatabase(scm_);
    ASSERT_NE(lock, 0u);
    EXPECT_EQ(sm_.LockServiceDatabase(scm_), 0u);
    EXPECT_EQ(LastError(), ERROR_SERVICE_DATABASE_LOCKED_);
    const Handle h = sm_.OpenService(scm_, "Tomcat9", SERVICE_CHANGE_CONFIG_ | SERVICE_QUERY_CONFIG_);
    EXPECT_TRUE(sm_.ChangeServiceStartType(h, SERVICE_AUTO_START_));
    EXPECT_FALSE(sm_.ChangeServiceStartType(h, SERVICE_BOOT_START_));
    ServiceConfig cfg;
    ASSERT_TRUE(sm_.QueryServiceConfig(h, cfg));
    EXPECT_EQ(cfg.StartType, SERVICE_AUTO_START_);
    EXPECT_EQ(cfg.BinaryPathName, "C:\\tf\\tomcat\\bin\\tomcat9.exe //RS//Tomcat9");
    EXPECT_EQ(cfg.Dependencies, "pgsql");
    EXPECT_EQ(cfg.DisplayName, "Apache Tomcat 9.0 Tomcat9");
    EXPECT_EQ(cfg.ServiceStartName, "LocalSystem");
    sm_.CloseServiceHandle(h);
    EXPECT_TRUE(sm_.UnlockServiceDatabase(lock));
    EXPECT_FALSE(sm_.UnlockServiceDatabase(lock));
}

TEST_F(SimServicesTest, RecordsEveryCallWithItsRightsAndCountsOpenHandles) {
    sm_.AddService(Tomcat());
    sm_.SetLockRefused(true);
    const Handle h = Open("tomcat9", SERVICE_START_ | SERVICE_QUERY_STATUS_);
    sm_.StartService(h);
    EXPECT_EQ(sm_.OpenHandles(), 2);
    sm_.CloseServiceHandle(h);
    sm_.CloseServiceHandle(scm_);
    scm_ = 0;
    EXPECT_EQ(sm_.OpenHandles(), 0);
    EXPECT_FALSE(sm_.CloseServiceHandle(h));

    const auto calls = sm_.Calls();
    ASSERT_GE(calls.size(), 5u);
    EXPECT_EQ(calls[0].Operation, "OpenSCManager");
    EXPECT_EQ(calls[0].Access, SC_MANAGER_CONNECT_);
    EXPECT_EQ(calls[1].Operation, "OpenService");
    EXPECT_EQ(calls[1].Service, "tomcat9");
    EXPECT_EQ(calls[1].Access, SERVICE_START_ | SERVICE_QUERY_STATUS_);
    EXPECT_EQ(calls[2].Operation, "StartService");
    EXPECT_EQ(calls[2].Service, "Tomcat9");
    sm_.ClearCalls();
    EXPECT_TRUE(sm_.Calls().empty());

    scm_ = sm_.OpenSCManager("", SC_MANAGER_CONNECT_ | SC_MANAGER_LOCK_);
    EXPECT_EQ(sm_.LockServiceDatabase(scm_), 0u);
    EXPECT_EQ(LastError(), ERROR_SERVICE_DATABASE_LOCKED_);
}

TEST(SimServicesStateFile, TwoManagersOnOneFileSeeEachOthersChanges) {
    const testsupport::TempDir dir;
    const std::string file = dir.Path("services.ini");
    {
        SimServiceManager first(file);
        SimServiceManager second(file);
        SimService s = Tomcat();
        s.Dependencies = std::string("pgsql\0Mysql\0", 12); // the double-NUL list survives the file
        s.StartScript = {Pending(SERVICE_START_PENDING_, 1, 2000)};
        first.AddService(s);

        const Handle scm = second.OpenSCManager("", SC_MANAGER_CONNECT_);
        const Handle h = second.OpenService(scm, "Tomcat9", SERVICE_ALL_ACCESS_);
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(second.StartService(h));

        ASSERT_NE(first.Find("tomcat9"), nullptr);
        EXPECT_EQ(first.Find("tomcat9")->State, SERVICE_START_PENDING_);
        const Handle scm1 = first.OpenSCManager("", SC_MANAGER_CONNECT_);
        const Handle h1 = first.OpenService(scm1, "Tomcat9", SERVICE_QUERY_STATUS_ | SERVICE_QUERY_CONFIG_);
        ServiceStatus st;
        ASSERT_TRUE(first.QueryServiceStatus(h1, st));
        EXPECT_EQ(st.CheckPoint, 1u);
        ASSERT_TRUE(second.QueryServiceStatus(h, st)); // the script step taken by the first is gone
        EXPECT_EQ(st.CurrentState, SERVICE_RUNNING_);
        ServiceConfig cfg;
        ASSERT_TRUE(first.QueryServiceConfig(h1, cfg));
        EXPECT_EQ(cfg.Dependencies, s.Dependencies);

        second.RemoveService("TOMCAT9");
        EXPECT_EQ(first.Find("Tomcat9"), nullptr);
        EXPECT_FALSE(first.QueryServiceStatus(h1, st));
        for (Handle x : {h1, scm1})
            first.CloseServiceHandle(x);
        for (Handle x : {h, scm})
            second.CloseServiceHandle(x);
    }
}

TEST(SimServicesStateFile, AHandWrittenFileNeedsOnlyTheFieldsItSets) {
    const testsupport::TempDir dir;
    const std::string file = dir.Path("services.ini");
    testsupport::WriteFile(file,
                           "[pgsql]\nState=4\nProcessId=812\nStopScript=16,3,0,0,0,1,500,0\n\n[Tomcat9]\n");
    SimServiceManager sm(file);
    const Handle scm = sm.OpenSCManager("", SC_MANAGER_CONNECT_);
    const Handle h = sm.OpenService(scm, "PGSQL", SERVICE_QUERY_STATUS_ | SERVICE_STOP_);
    ServiceStatus st;
    ASSERT_TRUE(sm.QueryServiceStatusEx(h, st));
    EXPECT_EQ(st.CurrentState, SERVICE_RUNNING_);
    EXPECT_EQ(st.ProcessId, 812u);
    ASSERT_TRUE(sm.ControlService(h, SERVICE_CONTROL_STOP_, st));
    ASSERT_TRUE(sm.QueryServiceStatus(h, st));
    EXPECT_EQ(st.WaitHint, 500u);
    ASSERT_NE(sm.Find("tomcat9"), nullptr);
    EXPECT_EQ(sm.Find("tomcat9")->State, SERVICE_STOPPED_);

    // A damaged file is not taken as "no services": the last good state stays.
    testsupport::WriteFile(file, "[pgsql]\nState=four\n");
    EXPECT_NE(sm.Find("pgsql"), nullptr);
    sm.CloseServiceHandle(h);
    sm.CloseServiceHandle(scm);
}

TEST(ManualClockTest, SleepsAdvanceTimeAcrossDayAndMonthEnds) {
    ManualClock clock({2026, 12, 31, 23, 59, 59, 500});
    clock.Sleep(700);
    clock.Sleep(0);
    EXPECT_EQ(clock.Sleeps(), (std::vector<uint32_t>{700, 0}));
    EXPECT_EQ(clock.TickCount(), 700u);
    LocalTime t = clock.Now();
    EXPECT_EQ(t.Year, 2027);
    EXPECT_EQ(t.Month, 1);
    EXPECT_EQ(t.Day, 1);
    EXPECT_EQ(t.Hour, 0);
    EXPECT_EQ(t.Second, 0);
    EXPECT_EQ(t.Millisecond, 200);
    for (int day = 0; day < 59; ++day)
        clock.Advance(86400000u); // 2027 has no 29 February
    t = clock.Now();
    EXPECT_EQ(t.Month, 3);
    EXPECT_EQ(t.Day, 1);
    EXPECT_EQ(clock.Sleeps().size(), 2u);
}

} // namespace
