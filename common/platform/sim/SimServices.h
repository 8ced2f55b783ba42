#pragma once
// A simulated service manager for Linux runs and tests. Services live in memory; a run of the
// programs on Linux may keep them in a state file (see the README) so that separate processes share
// them. State sequences can be scripted so that tests see pending states with wait hints and
// checkpoints exactly as a real service reports them.
#include "platform/Platform.h"

#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace plat::sim {

struct SimService {
    std::string Name;
    std::string DisplayName;
    std::string BinaryPathName;
    std::string ServiceStartName = "LocalSystem";
    std::string Dependencies;
    uint32_t StartType = SERVICE_DEMAND_START_;
    uint32_t State = SERVICE_STOPPED_;
    uint32_t ProcessId = 0; // reported while not stopped
    // Statuses the service reports, one per query, after StartService / ControlService(STOP). When the
    // script runs out, the service settles in the running (start) or stopped (stop) state. A scripted
    // status that is not pending (a start that ends stopped) ends the transition in that state. Every
    // start and stop plays its script from the beginning.
    std::deque<ServiceStatus> StartScript;
    std::deque<ServiceStatus> StopScript;
};

// One call as the simulated manager saw it: what was asked, with which access rights.
struct SimCall {
    std::string Operation; // "OpenSCManager", "OpenService", "QueryServiceStatus", "StartService", ...
    std::string Service;
    uint32_t Access = 0;
    uint32_t Argument = 0; // ControlService: the control code; ChangeServiceStartType: the start type
};

class SimServiceManager : public IServiceManager {
public:
    SimServiceManager();
    // Services kept in a text file shared by processes (loaded on each open, saved on each change).
    explicit SimServiceManager(std::string stateFile);

    void AddService(const SimService& service); // replaces a service of the same name
    void RemoveService(const std::string& name);
    // Case-insensitive; nullptr when absent. With a state file the next call reloads the file over
    // what was changed through the pointer: change shared services with AddService instead.
    SimService* Find(const std::string& name);
    std::vector<SimCall> Calls() const;
    void ClearCalls();
    int OpenHandles() const;           // handles not yet closed (a test checks that nothing leaks)
    void SetLockRefused(bool refused); // LockServiceDatabase fails with ERROR_SERVICE_DATABASE_LOCKED

    Handle OpenSCManager(const std::string& machine, uint32_t access) override;
    Handle OpenService(Handle scm, const std::string& name, uint32_t access) override;
    bool CloseServiceHandle(Handle h) override;
    bool QueryServiceStatus(Handle service, ServiceStatus& status) override;
    bool QueryServiceStatusEx(Handle service, ServiceStatus& status) override;
    bool QueryServiceConfig(Handle service, ServiceConfig& config) override;
    bool ChangeServiceStartType(Handle service, uint32_t startType) override;
    Handle LockServiceDatabase(Handle scm) override;
    bool UnlockServiceDatabase(Handle lock) override;
    bool StartService(Handle service) override;
    bool ControlService(Handle service, uint32_t control, ServiceStatus& status) override;

private:
    // implementation's choice
    struct Impl;
    std::shared_ptr<Impl> impl_;
};

// A clock that never sleeps: Sleep records the duration and advances the time.
class ManualClock : public IClock {
public:
    explicit ManualClock(LocalTime start = {2026, 12, 9, 10, 0, 0, 0});
    LocalTime Now() override;
    uint64_t TickCount() override;
    void Sleep(uint32_t milliseconds) override;
    std::vector<uint32_t> Sleeps() const;
    void Advance(uint32_t milliseconds);

private:
    mutable std::mutex mutex_;
    LocalTime start_;
    uint64_t elapsed_ = 0;
    std::vector<uint32_t> sleeps_;
};

} // namespace plat::sim
