// A real service under Wine's service manager, driven through the service backend and TServiceUtils.
#include "WinUtilsUnit.h"
#include "WineTestSupport.h"
#include "platform/PlatformHandles.h"
#include "platform/win32/WinApi.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <sstream>

namespace {

using namespace plat;
using winetest::HelperPath;
using winetest::UniqueName;
using winetest::WaitUntil;

struct Script {
    uint32_t Steps = 3;
    uint32_t StepMs = 200;
    uint32_t WaitHint = 1000;
    std::string Gate;
};

struct Reported {
    uint32_t State, CheckPoint, WaitHint;
};

// Installs the test service under a name of its own; stops and deletes it at the end.
class InstalledService {
public:
    explicit InstalledService(const Script& script) : name_(UniqueName("tk_svc_")) {
        std::ostringstream cmd;
        cmd << '"' << HelperPath("wine_test_service.exe") << "\" " << name_ << " \"" << Log() << "\" "
            << script.Steps << ' ' << script.StepMs << ' ' << script.WaitHint << ' ' << script.Gate;
        binPath_ = cmd.str();
        win::unique_schandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        win::unique_schandle svc(CreateServiceW(
            scm.get(), win::Wide(name_).c_str(), win::Wide(DisplayName()).c_str(), SERVICE_ALL_ACCESS,
            SERVICE_WIN32_OWN_PROCESS, SERVICE_DEMAND_START, SERVICE_ERROR_NORMAL,
            win::Wide(binPath_).c_str(), nullptr, nullptr, nullptr, nullptr, nullptr));
        created_ = static_cast<bool>(svc);
    }

    ~InstalledService() {
        win::unique_schandle scm(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS));
        win::unique_schandle svc(OpenServiceW(scm.get(), win::Wide(name_).c_str(), SERVICE_ALL_ACCESS));
        if (svc) {
            SERVICE_STATUS s{};
            ::ControlService(svc.get(), SERVICE_CONTROL_STOP, &s);
            WaitUntil(
                [&] { return QueryServiceStatus(svc.get(), &s) && s.dwCurrentState == SERVICE_STOPPED; });
            DeleteService(svc.get());
        }
    }

    bool Created() const { return created_; }
    const std::string& Name() const { return name_; }
    std::string DisplayName() const { return "Test service " + name_; }
    const std::string& BinPath() const { return binPath_; }
    std::string Log() const { return dir_.Windows("status.log"); }

    // Every status the service reported, in order.
    std::vector<Reported> Reports() const {
        std::vector<Reported> out;
        std::istringstream in(winetest::ReadFile(Log()));
        Reported r{};
        while (in >> r.State >> r.CheckPoint >> r.WaitHint)
            out.push_back(r);
        return out;
    }

private:
    winetest::TempDir dir_;
    std::string name_;
    std::string binPath_;
    bool created_ = false;
};

// The real clock, with every sleep's length written down: the waiting rules are judged by the sleeps
// asked for, never by time measured.
class RecordingClock : public IClock {
public:
    explicit RecordingClock(std::shared_ptr<IClock> real) : real_(std::move(real)) {}
    LocalTime Now() override { return real_->Now(); }
    uint64_t TickCount() override { return real_->TickCount(); }
    void Sleep(uint32_t ms) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            sleeps_.push_back(ms);
        }
        real_->Sleep(ms);
    }
    std::vector<uint32_t> Sleeps() {
        std::lock_guard<std::mutex> lock(mutex_);
        return sleeps_;
    }
    void Clear() {
        std::lock_guard<std::mutex> lock(mutex_);
        sleeps_.clear();
    }

private:
    std::shared_ptr<IClock> real_;
    std::mutex mutex_;
    std::vector<uint32_t> sleeps_;
};

// Handles of the backend, closed at the end of the test.
class Opened {
public:
    explicit Opened(const std::string& service,
                    uint32_t access = SERVICE_START_ | SERVICE_STOP_ | SERVICE_QUERY_STATUS_ |
                                      SERVICE_QUERY_CONFIG_ | SERVICE_CHANGE_CONFIG_) {
        scm.reset(Services().OpenSCManager("", SC_MANAGER_CONNECT_ | SC_MANAGER_LOCK_));
        if (scm)
            svc.reset(Services().OpenService(scm.get(), service, access));
    }
    ServiceStatus Status() const {
        ServiceStatus s;
        Services().QueryServiceStatus(svc.get(), s);
        return s;
    }
    unique_service_handle scm;
    unique_service_handle svc;
};

// Polls until the service reports the pending state with at least minCheckPoint; collects what it saw.
std::vector<ServiceStatus> WatchPending(const Opened& o, uint32_t pending, uint32_t minCheckPoint) {
    std::vector<ServiceStatus> seen;
    WaitUntil([&] {
        ServiceStatus s = o.Status();
        if (s.CurrentState == pending)
            seen.push_back(s);
        return s.CurrentState == pending && s.CheckPoint >= minCheckPoint;
    });
    return seen;
}

void ExpectRisingCheckPoints(const std::vector<ServiceStatus>& seen, uint32_t waitHint) {
    ASSERT_FALSE(seen.empty());
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i].CheckPoint, seen[i - 1].CheckPoint);
    for (const ServiceStatus& s : seen)
        EXPECT_EQ(s.WaitHint, waitHint);
}

TEST(ServiceBackend, ReportsPendingStatesWithRisingCheckPointsThroughStartAndStop) {
    const std::string gateName = "Global\\" + UniqueName("tk_gate_");
    auto gate = Sync().CreateEvent(gateName);
    ASSERT_TRUE(gate);
    InstalledService service({2, 100, 1500, gateName});
    ASSERT_TRUE(service.Created());
    Opened o(service.Name());
    ASSERT_NE(o.svc.get(), 0u);

    ASSERT_TRUE(Services().StartService(o.svc.get()));
    ExpectRisingCheckPoints(WatchPending(o, SERVICE_START_PENDING_, 3), 1500);
    gate->Set();
    EXPECT_TRUE(WaitUntil([&] { return o.Status().CurrentState == SERVICE_RUNNING_; }));

    ServiceStatus ex;
    ASSERT_TRUE(Services().QueryServiceStatusEx(o.svc.get(), ex));
    EXPECT_EQ(ex.CurrentState, SERVICE_RUNNING_);
    EXPECT_NE(ex.ProcessId, 0u);

    ServiceStatus stop;
    ASSERT_TRUE(Services().ControlService(o.svc.get(), SERVICE_CONTROL_STOP_, stop));
    ExpectRisingCheckPoints(WatchPending(o, SERVICE_STOP_PENDING_, 3), 1500);
    gate->Set();
    EXPECT_TRUE(WaitUntil([&] { return o.Status().CurrentState == SERVICE_STOPPED_; }));
}

TEST(ServiceBackend, RefusesToStartARunningServiceAndToStopAStoppedOne) {
    InstalledService service({1, 50, 100, ""});
    ASSERT_TRUE(service.Created());
    Opened o(service.Name());

    ServiceStatus status;
    EXPECT_FALSE(Services().ControlService(o.svc.get(), SERVICE_CONTROL_STOP_, status));
    EXPECT_EQ(LastError(), ERROR_SERVICE_NOT_ACTIVE_);
    EXPECT_EQ(status.CurrentState, SERVICE_STOPPED_) << "the refused stop still reports the state";

    ASSERT_TRUE(Services().StartService(o.svc.get()));
    ASSERT_TRUE(WaitUntil([&] { return o.Status().CurrentState == SERVICE_RUNNING_; }));
    EXPECT_FALSE(Services().StartService(o.svc.get()));
    EXPECT_EQ(LastError(), ERROR_SERVICE_ALREADY_RUNNING_);
}

TEST(ServiceBackend, ChangesOnlyTheStartTypeUnderTheDatabaseLock) {
    InstalledService service({1, 50, 100, ""});
    ASSERT_TRUE(service.Created());
    Opened o(service.Name());
    ServiceConfig before;
    ASSERT_TRUE(Services().QueryServiceConfig(o.svc.get(), before));
    EXPECT_EQ(before.StartType, SERVICE_DEMAND_START_);
    EXPECT_EQ(before.BinaryPathName, service.BinPath());
    EXPECT_EQ(before.DisplayName, service.DisplayName());

    Handle lock = Services().LockServiceDatabase(o.scm.get());
    ASSERT_NE(lock, 0u) << LastError();
    EXPECT_TRUE(Services().ChangeServiceStartType(o.svc.get(), SERVICE_AUTO_START_));
    EXPECT_TRUE(Services().UnlockServiceDatabase(lock));

    ServiceConfig after;
    ASSERT_TRUE(Services().QueryServiceConfig(o.svc.get(), after));
    EXPECT_EQ(after.StartType, SERVICE_AUTO_START_);
    EXPECT_EQ(after.BinaryPathName, before.BinaryPathName);
    EXPECT_EQ(after.DisplayName, before.DisplayName);
    EXPECT_EQ(after.ServiceStartName, before.ServiceStartName);
    EXPECT_EQ(after.ServiceType, before.ServiceType);
    EXPECT_EQ(after.ErrorControl, before.ErrorControl);
}

TEST(ServiceBackend, UnknownServiceCannotBeOpenedAndTheSystemNamesTheError) {
    Opened o(UniqueName("tk_missing_"));
    ASSERT_NE(o.scm.get(), 0u);
    EXPECT_EQ(o.svc.get(), 0u);
    EXPECT_EQ(LastError(), ERROR_SERVICE_DOES_NOT_EXIST_);
    std::string text = Host().SysErrorMessage(ERROR_SERVICE_DOES_NOT_EXIST_);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.back(), '\n');
}

// TServiceUtils on the real service manager, with the Server Manager's or the Updater's rules.
class ServiceUtilsOnWine : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = TServiceUtils::Settings();
        clock_ = std::make_shared<RecordingClock>(Current().Clock);
        Platform parts;
        parts.Clock = clock_;
        override_ = std::make_unique<ScopedOverride>(parts);
    }
    void TearDown() override {
        override_.reset();
        TServiceUtils::Configure(saved_);
        TServiceUtils::SetMessageProc({});
    }

    std::shared_ptr<RecordingClock> clock_;

private:
    TServiceUtilsSettings saved_;
    std::unique_ptr<ScopedOverride> override_;
};

void ExpectAllSleepsAre(const std::vector<uint32_t>& sleeps, uint32_t ms) {
    ASSERT_FALSE(sleeps.empty()) << "the pending state was never waited for";
    for (uint32_t s : sleeps)
        EXPECT_EQ(s, ms);
}

// Before the service's own first report the service manager may show a status without the long hint,
// so only the cap is certain for every sleep; the long hint itself must have met the cap.
void ExpectSleepsCappedAt(const std::vector<uint32_t>& sleeps, uint32_t cap) {
    ASSERT_FALSE(sleeps.empty()) << "the pending state was never waited for";
    for (uint32_t s : sleeps)
        EXPECT_LE(s, cap);
    EXPECT_NE(std::find(sleeps.begin(), sleeps.end(), cap), sleeps.end()) << "the wait hint was not capped";
}

TEST_F(ServiceUtilsOnWine, StartAndStopWaitOutThePendingStatesWithTheManagersLongestSleep) {
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    InstalledService service({4, 300, 30000, ""});
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(TServiceUtils::IsServiceInstalled(service.Name()));

    EXPECT_TRUE(TServiceUtils::ServiceStart(service.Name(), ""));
    EXPECT_EQ(TServiceUtils::ServiceGetStatus(service.Name()), SERVICE_RUNNING_);
    EXPECT_NE(TServiceUtils::ServiceGetPid(service.Name()), 0u);
    ExpectSleepsCappedAt(clock_->Sleeps(), 2000);

    clock_->Clear();
    EXPECT_TRUE(TServiceUtils::ServiceStop(service.Name(), ""));
    EXPECT_EQ(TServiceUtils::ServiceGetStatus(service.Name()), SERVICE_STOPPED_);
    ExpectSleepsCappedAt(clock_->Sleeps(), 2000);

    std::vector<Reported> reports = service.Reports();
    ASSERT_GE(reports.size(), 10u);
    for (uint32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(reports[i].State, SERVICE_START_PENDING_);
        EXPECT_EQ(reports[i].CheckPoint, i + 1);
    }
    EXPECT_EQ(reports[4].State, SERVICE_RUNNING_);
    EXPECT_EQ(reports[5].State, SERVICE_STOP_PENDING_);
    EXPECT_EQ(reports.back().State, SERVICE_STOPPED_);
}

TEST_F(ServiceUtilsOnWine, UpdaterSleepsAtMostTenSecondsAndStopWaitsAtLeast200Ms) {
    TServiceUtils::Configure(TServiceUtilsSettings::Updater());
    InstalledService slowStart({1, 300, 30000, ""});
    ASSERT_TRUE(slowStart.Created());
    EXPECT_TRUE(TServiceUtils::ServiceStart(slowStart.Name(), ""));
    ExpectSleepsCappedAt(clock_->Sleeps(), 10000);

    InstalledService noHint({3, 300, 0, ""});
    ASSERT_TRUE(noHint.Created());
    ASSERT_TRUE(TServiceUtils::ServiceStart(noHint.Name(), ""));
    clock_->Clear();
    EXPECT_TRUE(TServiceUtils::ServiceStop(noHint.Name(), ""));
    ExpectAllSleepsAre(clock_->Sleeps(), 200);
}

TEST_F(ServiceUtilsOnWine, StartOfARunningServiceFailsAndStopOfAStoppedOneSucceeds) {
    InstalledService service({1, 50, 100, ""});
    ASSERT_TRUE(service.Created());
    EXPECT_TRUE(TServiceUtils::ServiceStop(service.Name(), "")) << "already stopped";
    ASSERT_TRUE(TServiceUtils::ServiceStart(service.Name(), ""));
    EXPECT_FALSE(TServiceUtils::ServiceStart(service.Name(), "")) << "already running";
    EXPECT_EQ(TServiceUtils::ServiceGetStatus(service.Name()), SERVICE_RUNNING_);
}

TEST_F(ServiceUtilsOnWine, StartTypeChangesWhileTheBinaryPathStays) {
    InstalledService service({1, 50, 100, ""});
    ASSERT_TRUE(service.Created());
    EXPECT_EQ(TServiceUtils::ServiceGetStartType(service.Name()), SERVICE_DEMAND_START_);

    EXPECT_TRUE(TServiceUtils::ServiceSetStartType(service.Name(), SERVICE_AUTO_START_));
    EXPECT_EQ(TServiceUtils::ServiceGetStartType(service.Name()), SERVICE_AUTO_START_);
    EXPECT_TRUE(TServiceUtils::ServiceSetStartType(service.Name(), SERVICE_DEMAND_START_));
    EXPECT_EQ(TServiceUtils::ServiceGetStartType(service.Name()), SERVICE_DEMAND_START_);

    Opened o(service.Name(), SERVICE_QUERY_CONFIG_);
    ServiceConfig config;
    ASSERT_TRUE(Services().QueryServiceConfig(o.svc.get(), config));
    EXPECT_EQ(config.BinaryPathName, service.BinPath());
    EXPECT_EQ(config.DisplayName, service.DisplayName());
}

TEST_F(ServiceUtilsOnWine, UnknownServiceReadsAsStoppedAndItsStartReportsTheSystemText) {
    TServiceUtils::Configure(TServiceUtilsSettings::ServerManager());
    std::vector<std::string> shown;
    TServiceUtils::SetMessageProc([&](const std::string& text) { shown.push_back(text); });
    const std::string name = UniqueName("tk_missing_");

    EXPECT_FALSE(TServiceUtils::IsServiceInstalled(name));
    EXPECT_EQ(TServiceUtils::ServiceGetStatus(name), SERVICE_STOPPED_);
    EXPECT_EQ(TServiceUtils::ServiceGetPid(name), 0u);
    EXPECT_FALSE(TServiceUtils::ServiceStart(name, ""));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], Host().SysErrorMessage(ERROR_SERVICE_DOES_NOT_EXIST_));
}

} // namespace
