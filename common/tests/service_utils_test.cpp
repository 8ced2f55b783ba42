#include "WinUtilsUnit.h"

#include "platform/sim/SimServices.h"
#include "win_utils_fakes.h"

#include <gtest/gtest.h>

using namespace plat;
using plat::sim::SimService;

namespace {

ServiceStatus Reported(uint32_t state, uint32_t checkPoint, uint32_t waitHint) {
    ServiceStatus status;
    status.CurrentState = state;
    status.CheckPoint = checkPoint;
    status.WaitHint = waitHint;
    return status;
}

class ServiceUtilsTest : public ::testing::Test {
protected:
    void SetUp() override {
        TServiceUtils::SetMessageProc([this](const std::string& text) { messages.push_back(text); });
    }
    void TearDown() override {
        TServiceUtils::Configure(TServiceUtilsSettings::Updater());
        TServiceUtils::SetMessageProc({});
        EXPECT_EQ(0, services->OpenHandles()) << "every handle is closed";
    }

    SimService& Add(const std::string& name, uint32_t state) {
        SimService service;
        service.Name = name;
        service.DisplayName = name + " display";
        service.BinaryPathName = "C:\\svc\\" + name + ".exe //RS//" + name;
        service.Dependencies = "Tcpip";
        service.State = state;
        services->AddService(service);
        return *services->Find(name);
    }

    std::shared_ptr<sim::SimServiceManager> services = std::make_shared<sim::SimServiceManager>();
    std::shared_ptr<sim::ManualClock> clock = std::make_shared<sim::ManualClock>();
    std::shared_ptr<testing_fakes::FakeHost> host = std::make_shared<testing_fakes::FakeHost>();
    ScopedOverride platform{Parts()};
    std::vector<std::string> messages;

private:
    Platform Parts() {
        Platform parts;
        parts.Services = services;
        parts.Host = host;
        parts.Clock = clock;
        return parts;
    }
};

TEST_F(ServiceUtilsTest, UnregisteredServiceFoldsIntoNeutralResults) {
    EXPECT_FALSE(TServiceUtils::IsServiceInstalled("NoSuchService"));
    EXPECT_EQ(SERVICE_STOPPED_, TServiceUtils::ServiceGetStatus("NoSuchService"));
    EXPECT_EQ(0u, TServiceUtils::ServiceGetPid("NoSuchService"));
    EXPECT_FALSE(TServiceUtils::ServiceStart("NoSuchService"));
    EXPECT_FALSE(TServiceUtils::ServiceStop("NoSuchService"));
    EXPECT_FALSE(TServiceUtils::ServiceSetStartType("NoSuchService", SERVICE_AUTO_START_));
    EXPECT_TRUE(messages.empty()) << "the Updater shows nothing";

    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    EXPECT_FALSE(TServiceUtils::ServiceStart("NoSuchService"));
    EXPECT_EQ(std::vector<std::string>{host->SysErrorMessage(ERROR_SERVICE_DOES_NOT_EXIST_)}, messages);
}

struct SleepCase {
    bool manager, start;
    uint32_t waitHint, expectedSleep;
};

class ServiceWaitTest : public ServiceUtilsTest, public ::testing::WithParamInterface<SleepCase> {};

TEST_P(ServiceWaitTest, SleepsTheBoundedWaitHintBetweenQueries) {
    const SleepCase& c = GetParam();
    TServiceUtils::Configure(c.manager ? TServiceUtilsSettings::ServerManager()
                                       : TServiceUtilsSettings::Updater());
    SimService& svc = Add("pgsql", c.start ? SERVICE_STOPPED_ : SERVICE_RUNNING_);
    uint32_t pending = c.start ? SERVICE_START_PENDING_ : SERVICE_STOP_PENDING_;
    std::deque<ServiceStatus> script{Reported(pending, 1, c.waitHint), Reported(pending, 2, c.waitHint)};
    if (c.start)
        svc.StartScript = script;
    else
        svc.StopScript = script;
    TServiceFunc step = c.start ? &TServiceUtils::ServiceStart : &TServiceUtils::ServiceStop;
    EXPECT_TRUE(step("pgsql", ""));
    EXPECT_EQ(std::vector<uint32_t>(2, c.expectedSleep), clock->Sleeps());
}

INSTANTIATE_TEST_SUITE_P(BothPrograms, ServiceWaitTest,
                         ::testing::Values(SleepCase{false, true, 30000, 10000},
                                           SleepCase{true, true, 30000, 2000}, SleepCase{false, true, 0, 0},
                                           SleepCase{false, false, 0, 200}, SleepCase{true, false, 0, 200},
                                           SleepCase{true, false, 700, 700},
                                           SleepCase{true, false, 30000, 2000}));

TEST_F(ServiceUtilsTest, CheckpointGoingDownEndsTheWaitOnThatState) {
    Add("Tomcat9", SERVICE_STOPPED_).StartScript = {Reported(SERVICE_START_PENDING_, 5, 1000),
                                                    Reported(SERVICE_START_PENDING_, 3, 1000)};
    EXPECT_FALSE(TServiceUtils::ServiceStart("Tomcat9"));
    EXPECT_EQ(std::vector<uint32_t>{1000}, clock->Sleeps());
}

TEST_F(ServiceUtilsTest, RefusedControlsAreJudgedOnTheReportedState) {
    Add("Tomcat9", SERVICE_RUNNING_);
    Add("pgsql", SERVICE_STOPPED_);
    EXPECT_FALSE(TServiceUtils::ServiceStart("Tomcat9")) << "already running";
    EXPECT_TRUE(TServiceUtils::ServiceStop("pgsql")) << "already stopped";
    for (const auto& call : services->Calls())
        EXPECT_NE("QueryServiceStatus", call.Operation);
}

TEST_F(ServiceUtilsTest, SetStartTypeChangesOnlyTheStartType) {
    Add("Tomcat9", SERVICE_RUNNING_);
    SimService before = *services->Find("Tomcat9");
    EXPECT_TRUE(TServiceUtils::ServiceSetStartType("Tomcat9", SERVICE_AUTO_START_));
    const SimService& after = *services->Find("Tomcat9");
    EXPECT_EQ(SERVICE_AUTO_START_, TServiceUtils::ServiceGetStartType("Tomcat9"));
    EXPECT_EQ(
        std::tie(before.BinaryPathName, before.ServiceStartName, before.Dependencies, before.DisplayName),
        std::tie(after.BinaryPathName, after.ServiceStartName, after.Dependencies, after.DisplayName));

    services->SetLockRefused(true);
    EXPECT_FALSE(TServiceUtils::ServiceSetStartType("Tomcat9", SERVICE_DEMAND_START_));
    EXPECT_EQ(SERVICE_AUTO_START_, after.StartType);
}

struct AccessCase {
    std::function<void()> call;
    uint32_t managerAccess, serviceAccess;
};

TEST_F(ServiceUtilsTest, RequestsExactlyTheListedAccessRights) {
    Add("Tomcat9", SERVICE_STOPPED_);
    const std::string n = "Tomcat9";
    const AccessCase cases[] = {
        {[&] { TServiceUtils::IsServiceInstalled(n); }, SC_MANAGER_CONNECT_, SERVICE_QUERY_STATUS_},
        {[&] { TServiceUtils::ServiceGetStatus(n); }, SC_MANAGER_CONNECT_, SERVICE_QUERY_STATUS_},
        {[&] { TServiceUtils::ServiceGetPid(n); }, SC_MANAGER_CONNECT_, SERVICE_QUERY_STATUS_},
        {[&] { TServiceUtils::ServiceGetStartType(n); }, SC_MANAGER_CONNECT_, SERVICE_QUERY_CONFIG_},
        {[&] { TServiceUtils::ServiceSetStartType(n, 2); }, SC_MANAGER_CONNECT_ | SC_MANAGER_LOCK_,
         SERVICE_CHANGE_CONFIG_},
        {[&] { TServiceUtils::ServiceStart(n); }, SC_MANAGER_CONNECT_,
         SERVICE_START_ | SERVICE_QUERY_STATUS_},
        {[&] { TServiceUtils::ServiceStop(n); }, SC_MANAGER_CONNECT_, SERVICE_STOP_ | SERVICE_QUERY_STATUS_},
    };
    using Opened = std::vector<std::pair<std::string, uint32_t>>;
    for (const AccessCase& c : cases) {
        services->ClearCalls();
        c.call();
        Opened opened;
        for (const auto& call : services->Calls()) {
            if (call.Operation.starts_with("Open"))
                opened.emplace_back(call.Operation, call.Access);
        }
        EXPECT_EQ((Opened{{"OpenSCManager", c.managerAccess}, {"OpenService", c.serviceAccess}}), opened);
    }
}

} // namespace
